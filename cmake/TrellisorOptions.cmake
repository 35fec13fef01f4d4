# Compiler settings applied per target. The engine's numbers are fixed to the
# bit: multiply-adds are never contracted, floating point keeps IEEE
# semantics, and nothing that ships is tuned to the build machine's processor
# (faster instruction sets are chosen at run time).
function(trellisor_options target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -ffp-contract=off -fno-strict-aliasing)
  if(TRELLISOR_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${TRELLISOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${TRELLISOR_SANITIZE})
  endif()
endfunction()
