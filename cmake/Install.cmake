# What `cmake --install` puts in place besides the programs, which their folders install
# with their man pages (velmorant_man_page).
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(VELMORANT_INSTALL_RESOURCES ${PROJECT_SOURCE_DIR}/install)
set(VELMORANT_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/velmorant)

# Man pages made from the programs' own --help, with the prose of an include file.
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(FATAL_ERROR "help2man is missing: run scripts/bootstrap")
endif()
# Compressed, as Debian installs man pages.
function(velmorant_man_page target)
  set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
  set(include ${PROJECT_BINARY_DIR}/man/${target}.h2m)
  configure_file(${VELMORANT_INSTALL_RESOURCES}/man/${target}.h2m ${include} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --include=${include}
            --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target} ${include}
    COMMENT "Man page of ${target}")
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

install(FILES ${VELMORANT_INSTALL_RESOURCES}/velmorant-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME velmorant-cli)

# The package's own papers: the copyright and the changelog, compressed as Debian wants.
set(changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9n -c ${VELMORANT_INSTALL_RESOURCES}/changelog > ${changelog}
  DEPENDS ${VELMORANT_INSTALL_RESOURCES}/changelog)
add_custom_target(velmorant-changelog ALL DEPENDS ${changelog})
install(FILES ${VELMORANT_INSTALL_RESOURCES}/copyright ${changelog} ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${VELMORANT_DOCDIR})

