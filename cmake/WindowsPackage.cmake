# The Windows package (cpack -G ZIP): the DLL and dorsa.exe under bin, the import library
# and the CMake package config under lib, the headers with RapidXML's (which the public
# headers include) under include, and the licences. A Windows user unpacks it anywhere.
install(FILES LICENSE DESTINATION .)
file(GLOB dorsa_rapidxml_headers ${RAPIDXML_INCLUDE_DIR}/rapidxml/*.hpp)
install(FILES ${dorsa_rapidxml_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/rapidxml)
foreach(dorsa_rapidxml_licence /usr/share/doc/librapidxml-dev/copyright ${RAPIDXML_INCLUDE_DIR}/rapidxml/license.txt)
  if(EXISTS ${dorsa_rapidxml_licence})
    install(FILES ${dorsa_rapidxml_licence} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rapidxml RENAME LICENSE)
    break()
  endif()
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME DorsaServiceLayer)
set(CPACK_PACKAGE_VENDOR "Dorsa Service Layer")
set(CPACK_PACKAGE_FILE_NAME "DorsaServiceLayer-${PROJECT_VERSION}-win64-mingw")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
