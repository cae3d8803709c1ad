# The Debian package (cpack -G DEB; see scripts/package.sh): everything `cmake --install` puts
# under the prefix, with the shared-library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME directfax)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora DirectFax <directfax@velmora.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fax panel for the print dialog of a fax printer, and fax tools")
set(CPACK_PACKAGE_DESCRIPTION "DirectFax turns a print job into a fax job: a Fax Settings panel and a
fax-job dialog in the print dialog directfax-print (also Send as Fax in file managers),
directfax-send for scripts, directfax-addressbook for address books, and the Address Book
Editor directfax-addressbook-editor for the computer's address books and the printer's own.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${DIRECTFAX_INSTALL_PKGLIBDIR})
# Not found by dpkg-shlibdeps: the platform plug-ins of Qt (offscreen for runs without a display),
# its SVG plug-ins (the program's icon), Ghostscript for the fax filter; the demo fax printer
# runs a private cupsd.
# libcurl4: the address-book framework loads it when it first asks a device (not found by
# dpkg-shlibdeps, as nothing links it).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, ghostscript, libcurl4 (>= 7.85)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-daemon, cups-client")
set(CPACK_STRIP_FILES ON)
# The fax agent's autostart entry lies in /etc: the administrator's changes to it survive updates.
if(IS_ABSOLUTE "${DIRECTFAX_INSTALL_AUTOSTARTDIR}")
    file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles
        "${DIRECTFAX_INSTALL_AUTOSTARTDIR}/com.velmora.DirectFaxFaxAgent.desktop\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
endif()
include(CPack)
