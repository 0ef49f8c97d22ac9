# The Windows zip (`make windows`): velmorant-cli.exe with the README and the licence texts,
# those of the MinGW runtime linked into the program included, in one folder.
set(zip_folder velmorant-${PROJECT_VERSION}-windows-x64)
set(zip_file ${PROJECT_BINARY_DIR}/${zip_folder}.zip)
set(zip_stage ${PROJECT_BINARY_DIR}/zip)
set(zip_files
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/ui/resources/install/copyright
    /usr/share/doc/mingw-w64-x86-64-dev/copyright
    /usr/share/doc/gcc-mingw-w64-base/copyright)
# Written beside and renamed into place, so that a zip under that name is always whole.
add_custom_command(OUTPUT ${zip_file}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/${zip_folder}/licences
  COMMAND ${CMAKE_STRIP} -o ${zip_stage}/${zip_folder}/velmorant-cli.exe $<TARGET_FILE:velmorant-cli>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${zip_stage}/${zip_folder}/README.md
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/ui/resources/install/copyright
          ${zip_stage}/${zip_folder}/licences/velmorant.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/mingw-w64-x86-64-dev/copyright
          ${zip_stage}/${zip_folder}/licences/mingw-w64-runtime.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/gcc-mingw-w64-base/copyright
          ${zip_stage}/${zip_folder}/licences/gcc-runtime.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${zip_stage}
          ${CMAKE_COMMAND} -E tar cf ${zip_file}.part --format=zip ${zip_folder}
  COMMAND ${CMAKE_COMMAND} -E rename ${zip_file}.part ${zip_file}
  DEPENDS velmorant-cli ${zip_files}
  COMMENT "Packing ${zip_folder}.zip")
add_custom_target(windows-zip ALL DEPENDS ${zip_file})
