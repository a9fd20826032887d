# nlohmann-json for the cross build: Debian's header-only package, through the
# host-headers folder the MinGW toolchain file makes.
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${DORSA_HOST_HEADERS}")
endif()
set(nlohmann_json_FOUND TRUE)
