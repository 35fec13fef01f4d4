# Embeds PNG pictures into a binary as a generated C++ table.
#
# Included from a CMakeLists.txt, it defines
#   trellisor_embed_pictures(<output.cpp> <function> <png files...>)
# which generates <output.cpp> at build time, defining
#   platform::EmbeddedPicture const* platform::<function>(std::size_t& count)
# over the files. A file's id is the decimal number its name starts with
# (128.png, 130-handle.png); two files with one id are an error.
#
# Run as a script (cmake -P) it writes the source: -DOUTPUT= -DFUNCTION=
# -DFILES=<;-list>.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode starts with old policies; IN_LIST needs CMP0057.
  cmake_policy(SET CMP0057 NEW)
  set(decls "")
  set(rows "")
  set(seen "")
  set(n 0)
  foreach(f IN LISTS FILES)
    get_filename_component(name "${f}" NAME)
    if(NOT name MATCHES "^([0-9]+)[^/]*\\.png$")
      message(FATAL_ERROR "picture file name must start with its id: ${f}")
    endif()
    set(id "${CMAKE_MATCH_1}")
    math(EXPR id "${id}")
    if(id IN_LIST seen)
      message(FATAL_ERROR "two pictures with id ${id}")
    endif()
    list(APPEND seen ${id})
    file(READ "${f}" hex HEX)
    string(LENGTH "${hex}" len)
    if(len EQUAL 0)
      set(bytes "0x00")
      set(size 0)
    else()
      string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
      math(EXPR size "${len} / 2")
    endif()
    string(APPEND decls "unsigned char const kPicture${n}[] = {${bytes}};\n")
    string(APPEND rows "    {${id}, kPicture${n}, ${size}},\n")
    math(EXPR n "${n} + 1")
  endforeach()
  set(src "// Generated from PNG files by EmbedPictures.cmake; do not edit.\n#include \"Picture.h\"\n\nnamespace platform {\n")
  if(n EQUAL 0)
    string(APPEND src "EmbeddedPicture const* ${FUNCTION}(std::size_t& count) {\n    count = 0;\n    return nullptr;\n}\n")
  else()
    string(APPEND src "namespace {\n${decls}EmbeddedPicture const kTable[] = {\n${rows}};\n} // namespace\n")
    string(APPEND src "EmbeddedPicture const* ${FUNCTION}(std::size_t& count) {\n    count = ${n};\n    return kTable;\n}\n")
  endif()
  string(APPEND src "} // namespace platform\n")
  file(WRITE "${OUTPUT}.tmp" "${src}")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
  return()
endif()

set(TRELLISOR_EMBED_PICTURES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(trellisor_embed_pictures output function)
  set(files ${ARGN})
  string(REPLACE ";" "$<SEMICOLON>" file_arg "${files}")
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DFUNCTION=${function} "-DFILES=${file_arg}"
            -P ${TRELLISOR_EMBED_PICTURES_SCRIPT}
    DEPENDS ${files} ${TRELLISOR_EMBED_PICTURES_SCRIPT}
    COMMENT "Embedding pictures into ${function}"
    VERBATIM)
endfunction()
