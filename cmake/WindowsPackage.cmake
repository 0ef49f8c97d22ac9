# The Windows packages (`make windows`): the programs with the README and the licence texts,
# those of the MinGW runtime linked into the programs included, in one folder, packed as the
# portable zip and as a setup program (NSIS) that installs that folder for the current user.
set(package_folder velmorant-${PROJECT_VERSION}-windows-x64)
set(package_stage ${PROJECT_BINARY_DIR}/zip/${package_folder})
set(setup_file ${PROJECT_BINARY_DIR}/velmorant-${PROJECT_VERSION}-setup.exe)
find_program(MAKENSIS makensis REQUIRED)

# Made once every target is known: the desktop program, when the build has one, goes into
# both packages.
function(velmorant_windows_packages)
  set(stamp ${PROJECT_BINARY_DIR}/zip/staged)
  set(zip_file ${PROJECT_BINARY_DIR}/${package_folder}.zip)
  set(nsis_script ${PROJECT_SOURCE_DIR}/install/win32/velmorant.nsi)
  set(doc_files
      ${PROJECT_SOURCE_DIR}/README.md
      ${PROJECT_SOURCE_DIR}/install/copyright
      /usr/share/doc/mingw-w64-x86-64-dev/copyright
      /usr/share/doc/gcc-mingw-w64-base/copyright)
  set(programs velmorant-cli)
  set(nsis_flags)
  if(TARGET velmorant)
    list(APPEND programs velmorant)
    list(APPEND nsis_flags -DDESKTOP)
  endif()
  set(strip_programs)
  foreach(program IN LISTS programs)
    list(APPEND strip_programs COMMAND ${CMAKE_STRIP} -o ${package_stage}/${program}.exe
         $<TARGET_FILE:${program}>)
  endforeach()

  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_stage}/licences
    ${strip_programs}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${package_stage}/README.md
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/install/copyright
            ${package_stage}/licences/velmorant.txt
    COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/mingw-w64-x86-64-dev/copyright
            ${package_stage}/licences/mingw-w64-runtime.txt
    COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/gcc-mingw-w64-base/copyright
            ${package_stage}/licences/gcc-runtime.txt
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${programs} ${doc_files}
    COMMENT "Gathering ${package_folder}")
  # Each package is written beside and renamed into place, so that a package under its name
  # is always whole.
  add_custom_command(OUTPUT ${zip_file}
    COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/zip
            ${CMAKE_COMMAND} -E tar cf ${zip_file}.part --format=zip ${package_folder}
    COMMAND ${CMAKE_COMMAND} -E rename ${zip_file}.part ${zip_file}
    DEPENDS ${stamp}
    COMMENT "Packing ${package_folder}.zip")
  add_custom_command(OUTPUT ${setup_file}
    COMMAND ${MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
            -DSTAGE=${package_stage} -DOUTFILE=${setup_file}.part ${nsis_flags} ${nsis_script}
    COMMAND ${CMAKE_COMMAND} -E rename ${setup_file}.part ${setup_file}
    DEPENDS ${stamp} ${nsis_script}
    COMMENT "Making velmorant-${PROJECT_VERSION}-setup.exe")
  add_custom_target(windows-packages ALL DEPENDS ${zip_file} ${setup_file})
endfunction()
cmake_language(DEFER CALL velmorant_windows_packages)
