# Compiler settings applied per target. The engine's numbers are fixed to the
# bit: no contraction of multiply-adds, no fast-math, and no -march=native in
# anything that ships (faster instruction sets are chosen at run time).
function(trellisor_options target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -ffp-contract=off -fno-fast-math -fno-strict-aliasing)
  if(TRELLISOR_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${TRELLISOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${TRELLISOR_SANITIZE})
  endif()
endfunction()
