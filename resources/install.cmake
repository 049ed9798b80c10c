# Install rules for the desktop entry and the program icon in the hicolor theme.
# Paths are taken from this file's own folder, so it works wherever it is included.
include(GNUInstallDirs)

set(QUARVEL_RESOURCES ${CMAKE_CURRENT_LIST_DIR})

install(FILES ${QUARVEL_RESOURCES}/quarvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUARVEL_RESOURCES}/quarvel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${QUARVEL_RESOURCES}/icons/quarvel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME quarvel.png)
endforeach()
