# cmake -DRC=ZelvoSav.rc -DASSETS=dir -DOUT=file.cpp -P embed-pictures.cmake
# Writes a C++ source that holds every picture ZelvoSav.rc names as RCDATA and that
# lies in ASSETS, byte for byte, under the resource id the script gives it. The
# resource script stays the one place that says which picture has which id.
file(STRINGS "${RC}" lines REGEX "^[A-Z_0-9]+ RCDATA \"[^\"]+\"")
set(arrays "")
set(rows "")
set(count 0)
foreach(line ${lines})
  string(REGEX REPLACE "^([A-Z_0-9]+) RCDATA \"([^\"]+)\".*" "\\1;\\2" parts "${line}")
  list(GET parts 0 id)
  list(GET parts 1 name)
  if(NOT EXISTS "${ASSETS}/${name}")
    continue()
  endif()
  file(READ "${ASSETS}/${name}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(([^,]*,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "// ${name}\nstatic const unsigned char k${id}[] = {\n    ${bytes}\n};\n")
  string(APPEND rows "    {${id}, k${id}, sizeof k${id}},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE "${OUT}.tmp" "// Made by cmake/embed-pictures.cmake from ZelvoSav.rc; do not edit.\n"
     "#include \"zelvosav_ids.h\"\n#include \"saver_pictures.h\"\n\n${arrays}\n"
     "const EmbeddedPicture SAVER_PICTURES[] = {\n${rows}};\nconst int SAVER_PICTURE_COUNT = ${count};\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
