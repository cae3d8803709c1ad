# `cmake --install`: programs, the shared platform library, the plug-in bundle, the sample
# printer, the CUPS filter, desktop integration, manual pages and shell completion.

# Programs and their relative run paths (the install can move to another prefix).
set_target_properties(directfax-print directfax-addressbook directfax-addressbook-editor directfax-send PROPERTIES
    INSTALL_RPATH "$ORIGIN/${DIRECTFAX_BIN_TO_PKGLIB}")
set_target_properties(directfax-device-emulator PROPERTIES INSTALL_RPATH "$ORIGIN/${DIRECTFAX_LIBEXEC_TO_PKGLIB}")
set_target_properties(directfax-fax-filter PROPERTIES INSTALL_RPATH "$ORIGIN/${DIRECTFAX_FILTER_TO_PKGLIB}")
# The module sits four folders below the platform library: plugins/DirectFax.plugin/Contents/Linux.
set_target_properties(DirectFax PROPERTIES INSTALL_RPATH "$ORIGIN/../../../..")
set_target_properties(directfax_platform PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS directfax-print directfax-addressbook directfax-addressbook-editor directfax-send RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS directfax-device-emulator directfax-backend directfax-send-text RUNTIME DESTINATION ${DIRECTFAX_INSTALL_LIBEXECDIR})
install(TARGETS directfax-fax-filter RUNTIME DESTINATION ${DIRECTFAX_INSTALL_FILTERDIR})
# The fax printer for every program: its agent, and its backend, once for CUPS (0700: CUPS runs
# it as root, and it becomes the job's owner) and once for the demo printer, which copies it.
install(TARGETS directfax-fax-agent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS directfax-handover RUNTIME DESTINATION ${DIRECTFAX_INSTALL_LIBEXECDIR})
install(PROGRAMS $<TARGET_FILE:directfax-handover> DESTINATION ${DIRECTFAX_INSTALL_BACKENDDIR}
    PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
install(FILES data/com.velmora.DirectFaxFaxAgent.desktop DESTINATION ${DIRECTFAX_INSTALL_AUTOSTARTDIR})
install(TARGETS directfax_platform LIBRARY DESTINATION ${DIRECTFAX_INSTALL_PKGLIBDIR} NAMELINK_SKIP)

# The bundle: its Info.plist and resources (interface files, translations, help book) as built,
# the module through install(TARGETS) so that its run path is set.
install(DIRECTORY ${DIRECTFAX_BUNDLE_DIR} DESTINATION ${DIRECTFAX_INSTALL_PLUGINDIR}
    PATTERN "Linux" EXCLUDE)
install(TARGETS DirectFax LIBRARY DESTINATION ${DIRECTFAX_INSTALL_PLUGINDIR}/DirectFax.plugin/Contents/Linux)

install(FILES host/samples/DirectFaxSample.ppd host/samples/DemoAddressBook.json host/samples/DirectFaxFaxPrinter.ppd
    DESTINATION ${DIRECTFAX_INSTALL_DATADIR}/samples)

# Desktop integration: "Send as Fax…" for PDF, PostScript and text files, its AppStream
# description and icon.
install(FILES data/com.velmora.DirectFaxPrint.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/com.velmora.DirectFaxPrint.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/com.velmora.DirectFaxPrint.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The Address Book Editor: its desktop entry's id is the bundle's "AddressBookBundleIdentifier",
# which is how the panel's launcher finds it.
install(FILES data/com.velmora.AddressBookEditor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/com.velmora.AddressBookEditor.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/com.velmora.AddressBookEditor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and bash completion.
install(FILES data/man/directfax-print.1 data/man/directfax-send.1 data/man/directfax-addressbook.1
    data/man/directfax-addressbook-editor.1
    data/man/directfax-device-emulator.1 data/man/directfax-fax-agent.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/man/directfax-fax-filter.8 data/man/directfax-handover.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
install(FILES data/completions/directfax-print data/completions/directfax-send data/completions/directfax-addressbook
    data/completions/directfax-fax-agent
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
