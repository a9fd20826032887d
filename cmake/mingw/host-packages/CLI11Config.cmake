# CLI11 for the cross build: Debian's header-only package, through the host-headers folder
# the MinGW toolchain file makes.
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${DORSA_HOST_HEADERS}")
endif()
set(CLI11_FOUND TRUE)
