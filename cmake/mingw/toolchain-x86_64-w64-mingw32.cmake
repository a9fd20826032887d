# Cross-builds the library, its tests and the tool for 64-bit Windows with Debian's
# MinGW-w64 GCC (posix threads: std::thread and std::mutex need them):
#   cmake --preset mingw && cmake --build --preset mingw
# The tests run under Wine (CMAKE_CROSSCOMPILING_EMULATOR, below).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DORSA_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${DORSA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DORSA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DORSA_MINGW_TRIPLE}-windres)

# Libraries and packages of the target only (zlib comes from libz-mingw-w64-dev); the
# build machine's programs stay usable (Python for the script tests).
set(CMAKE_FIND_ROOT_PATH /usr/${DORSA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so that the DLL and the programs need only
# the DLLs of Windows itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# Header-only libraries of the build machine (RapidXML, CLI11, nlohmann-json): their
# folders alone are linked into the build tree, since /usr/include itself on the include
# path would put the build machine's C library before MinGW's.
set(DORSA_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the header-only libraries of the build machine lie")
set(DORSA_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(dorsa_header_folder rapidxml CLI nlohmann)
  if(EXISTS ${DORSA_HOST_INCLUDE_DIR}/${dorsa_header_folder} AND NOT EXISTS ${DORSA_HOST_HEADERS}/${dorsa_header_folder})
    file(MAKE_DIRECTORY ${DORSA_HOST_HEADERS})
    file(CREATE_LINK ${DORSA_HOST_INCLUDE_DIR}/${dorsa_header_folder} ${DORSA_HOST_HEADERS}/${dorsa_header_folder} SYMBOLIC)
  endif()
endforeach()
set(RAPIDXML_INCLUDE_DIR ${DORSA_HOST_HEADERS} CACHE PATH "RapidXML's include folder")
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/host-packages)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/host-packages)

# GoogleTest is built from Debian's sources (package googletest) with this compiler.
set(DORSA_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources, built with the tests")

# The tests run under Wine in a prefix of the build tree (never the home folder's);
# scripts/windows-tests.sh starts its server before ctest and stops it after.
set(DORSA_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix the tests run in")
set(CMAKE_CROSSCOMPILING_EMULATOR
  ${CMAKE_COMMAND} -E env WINEPREFIX=${DORSA_WINEPREFIX} WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=" wine)
