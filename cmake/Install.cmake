# The install tree: programs in bin/, the engine library in ${CMAKE_INSTALL_LIBDIR}/ (found
# through the programs' RUNPATH), run-time data in share/vornis/, and what the desktop
# needs to offer the viewer: menu entry, icons, the FBX type, thumbnails and manual pages.
# The tree works wherever it is moved. Data comes from the source tree and from the
# generators' outputs by name, never from bin/ as a whole, where tests leave scratch files.
set(VORNIS_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/vornis)

install(TARGETS vornis vornis-snap RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vornis_engine LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS vornis-import-worker vornis-shader-worker RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/vornis)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/shaders/ DESTINATION ${VORNIS_DATA_DESTINATION}/shaders)
foreach(dir xyz skybox lightmesh arrow Skyboxtextures demo)
  install(DIRECTORY ${VORNIS_RUNTIME_DIR}/${dir}/ DESTINATION ${VORNIS_DATA_DESTINATION}/${dir}
    FILES_MATCHING PATTERN "*.fbx" PATTERN "*.dds")
endforeach()
install(FILES ${VORNIS_RUNTIME_DIR}/startscreen.bmp DESTINATION ${VORNIS_DATA_DESTINATION})

# Desktop integration.
set(desktop ${CMAKE_SOURCE_DIR}/desktop)
install(FILES ${desktop}/vornis.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/vornis-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME vornis.xml)
install(FILES ${desktop}/vornis.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icons)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND icons ${icon_dir}/hicolor/${size}x${size}/apps/vornis.png)
endforeach()
add_custom_command(
  OUTPUT ${icons}
  COMMAND vornis-make-icons ${icon_dir}
  DEPENDS vornis-make-icons
  COMMENT "Drawing the application icon")
install(DIRECTORY ${icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual pages carry the version; installed compressed, as the system's own are.
set(manuals)
foreach(page vornis.1 vornis-snap.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page})
  list(APPEND manuals ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
install(FILES ${manuals} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

add_custom_target(vornis_install_data ALL DEPENDS ${icons} ${manuals})
