# Installs the build into a fresh DESTDIR with prefix /usr and checks the exact set of files, the hack link and the icon's size.
# cmake -DBUILD_DIR=<build folder> -DSTAGE=<scratch folder> -DEXPECTED=<installed-files.txt> -P InstallLayoutTest.cmake
cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

# The files of the installed layout, one a line; scripts/package.sh checks the Debian package against the same list.
file(STRINGS ${EXPECTED} expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " got "${installed}")
  string(REPLACE ";" "\n  " want "${expected}")
  fail("installed files differ.\nGot:\n  ${got}\nExpected:\n  ${want}")
endif()

# The hack is a relative link to the program, so it stays right wherever the tree is unpacked.
set(hack ${STAGE}/usr/libexec/xscreensaver/helixcavern)
if(NOT IS_SYMLINK ${hack})
  fail("${hack} is not a symbolic link")
else()
  file(READ_SYMLINK ${hack} link)
  if(NOT link STREQUAL "../../bin/helixcavern")
    fail("${hack} points to '${link}', expected '../../bin/helixcavern'")
  endif()
  file(REAL_PATH ${hack} resolved)
  file(REAL_PATH ${STAGE}/usr/bin/helixcavern program)
  if(NOT resolved STREQUAL program)
    fail("${hack} resolves to ${resolved}, not to the installed program")
  endif()
endif()

# The program must be executable by everybody (a saver runs as the logged-in user).
execute_process(COMMAND stat -c %a ${STAGE}/usr/bin/helixcavern OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT mode STREQUAL "755")
  fail("usr/bin/helixcavern has mode ${mode}, expected 755")
endif()

# The icon's folder names its size: read width and height from the PNG header.
set(icon ${STAGE}/usr/share/icons/hicolor/32x32/apps/helixcavern.png)
file(READ ${icon} header HEX LIMIT 24)
string(SUBSTRING "${header}" 0 16 signature)
string(SUBSTRING "${header}" 32 16 size)
if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT size STREQUAL "0000002000000020")
  fail("${icon} is not a 32x32 PNG (header ${header})")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
list(LENGTH installed count)
message(STATUS "install layout: ${count} files as expected; hack link and icon size right")
