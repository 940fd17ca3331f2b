# Packages from one build: natively a Debian package of the Linux tools (the programs, a manual
# page each, the example document, the licence in Debian's copyright file), in the Windows build a
# zip of the Windows programs with the README, the licence and the example. scripts/package.sh
# builds the Debian package and one zip of both Windows builds. The version is the version
# resource's.
set(CPACK_PACKAGE_NAME regcorvex)
set(CPACK_PACKAGE_VENDOR "The RegCorvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "import Corvane 5 configuration documents into the registry")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The programs in a folder named for their processor, so that the 32-bit and the 64-bit build
  # install side by side (scripts/package.sh zips both).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
    set(programs_folder x64)
  else()
    set(CPACK_SYSTEM_NAME win32)
    set(programs_folder x86)
  endif()
  install(TARGETS RegCorvex regcorvex-admin RUNTIME DESTINATION ${programs_folder})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${PROJECT_SOURCE_DIR}/examples/prefs.xml DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  set(doc share/doc/${CPACK_PACKAGE_NAME})
  install(TARGETS regcorvex regcorvex-admin RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/prefs.xml DESTINATION ${doc}/examples)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright DESTINATION ${doc})

  # Manual pages and the changelog compressed as Debian wants them: gzip -9, no name or time.
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
                 ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
  set(compressed)
  foreach(source app/regcorvex.1 admin/regcorvex-admin.1 ${PROJECT_BINARY_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    get_filename_component(input ${source} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
    set(output ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${output} COMMAND gzip -9nc ${input} > ${output} DEPENDS ${input})
    list(APPEND compressed ${output})
  endforeach()
  add_custom_target(regcorvex_package_files ALL DEPENDS ${compressed})
  install(FILES ${PROJECT_BINARY_DIR}/packaging/regcorvex.1.gz
                ${PROJECT_BINARY_DIR}/packaging/regcorvex-admin.1.gz DESTINATION share/man/man1)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The RegCorvex developers <regcorvex@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_PACKAGE_DESCRIPTION
      "RegCorvex imports a Corvane 5 configuration document, a typed XML
file, into the product's preference store in the registry of a Wine
prefix, as the Windows program RegCorvex.exe does on Windows.
regcorvex-admin checks and previews documents, lists the registry and
captures the product's values, or those of a .reg file, as a document.")
endif()

include(CPack)
