# Where an install puts each piece (GNUInstallDirs, under CMAKE_INSTALL_PREFIX).
include(GNUInstallDirs)
set(DIRECTFAX_INSTALL_PKGLIBDIR ${CMAKE_INSTALL_LIBDIR}/directfax)
set(DIRECTFAX_INSTALL_PLUGINDIR ${DIRECTFAX_INSTALL_PKGLIBDIR}/plugins)
set(DIRECTFAX_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/directfax)
set(DIRECTFAX_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/directfax)
# CUPS looks for filters in lib/cups/filter of its prefix, not in a multiarch folder.
set(DIRECTFAX_INSTALL_FILTERDIR lib/cups/filter)
set(DIRECTFAX_INSTALL_BACKENDDIR lib/cups/backend)
# Autostart entries are read from the system's configuration folder: /etc/xdg for the prefix /usr
# (the package), the prefix's own etc/xdg otherwise (so that an install elsewhere stays there).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(DIRECTFAX_INSTALL_AUTOSTARTDIR /etc/xdg/autostart)
else()
    set(DIRECTFAX_INSTALL_AUTOSTARTDIR ${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart)
endif()

# Installed programs find the shared platform library relative to themselves.
file(RELATIVE_PATH DIRECTFAX_BIN_TO_PKGLIB /${CMAKE_INSTALL_BINDIR} /${DIRECTFAX_INSTALL_PKGLIBDIR})
file(RELATIVE_PATH DIRECTFAX_LIBEXEC_TO_PKGLIB /${DIRECTFAX_INSTALL_LIBEXECDIR} /${DIRECTFAX_INSTALL_PKGLIBDIR})
file(RELATIVE_PATH DIRECTFAX_FILTER_TO_PKGLIB /${DIRECTFAX_INSTALL_FILTERDIR} /${DIRECTFAX_INSTALL_PKGLIBDIR})

# The host finds the other installed pieces relative to its own folder.
foreach(dir PLUGINDIR DATADIR LIBEXECDIR FILTERDIR)
    file(RELATIVE_PATH DIRECTFAX_REL_${dir} /${CMAKE_INSTALL_BINDIR} /${DIRECTFAX_INSTALL_${dir}})
endforeach()
