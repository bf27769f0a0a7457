# Install rules and the Debian package.
#
#   cmake --install build [--prefix /usr]      # the programs and data/
#   (cd build && cpack -G DEB)                 # tarnwick_<version>_<arch>.deb
#
# A copy run from the build tree keeps its settings beside the executable:
# the marker below tells it that it is one. The marker is never installed.

file(GENERATE
     OUTPUT "$<TARGET_FILE_DIR:tarnwick>/${TARNWICK_BUILD_TREE_MARKER}"
     CONTENT "This folder is a Tarnwick build tree: the tarnwick here keeps tarnwick.ini beside itself.\n")

install(TARGETS tarnwick tarnwick-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The Debian package, made by CPack from the install rules. Its dependencies
# on shared libraries are worked out by dpkg-shlibdeps (package dpkg-dev);
# only what no library link shows is named here: the Qt platform plugins,
# which Qt loads at run time.
set(CPACK_PACKAGE_NAME "tarnwick")
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT "The Tarnwick developers <tarnwick@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gathers the files of one kind from a folder tree into one folder")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarnwick finds every file of one extension below a source folder and copies\n"
    "them into one flat folder, each renamed after where it lay (the MD5 hash of\n"
    "its relative path, or its folder names joined by a delimiter). A simulation\n"
    "lists every source and target first. The grid can be saved as CSV.\n"
    "The package holds the window (tarnwick) and the command line (tarnwick-cli).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/tarnwick/tarnwick")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The notices are Japanese; one of these fonts shows them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
