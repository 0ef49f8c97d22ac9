# The Debian package of what `cmake --install` puts in place (`make package`).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmorant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "the Velmorant developers <velmorant@users.noreply.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Japanese; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
# CPack puts the space before each line of the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "reverse, trim and merge saved bulletin-board logs
Velmorant rewrites saved bulletin-board logs: HTML files whose posts
stand one after another between HR tags or TABLE blocks, in Shift_JIS,
EUC-JP or UTF-8. It writes the posts in reverse order, or in order with
leading and trailing ones cut away, layer by layer of nesting, every
other byte unchanged, and merges many logs into one file. It never
changes an input, and a failed or stopped run leaves the previous
output as it was.
.
The package holds the Japanese desktop program velmorant and the
command line velmorant-cli.")
include(CPack)
