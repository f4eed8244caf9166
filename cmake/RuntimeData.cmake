# Places the run-time data beside the programs: shader sources, fixed assets, sky
# textures and the start-screen picture. Generated data comes from our own tools.
# The fixed models (xyz, skybox, lightmesh, arrow), the generated sky maps and the demo
# model come from vornis-make-assets below; a "Skyboxtextures" folder in the source tree
# may add further sky maps beside them.
set(VORNIS_DATA_DIRS shaders Skyboxtextures)

set(VORNIS_DATA_STAMPS)
foreach(dir IN LISTS VORNIS_DATA_DIRS)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir})
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/${dir}/*)
    foreach(file IN LISTS files)
      add_custom_command(
        OUTPUT ${VORNIS_RUNTIME_DIR}/${file}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/${file} ${VORNIS_RUNTIME_DIR}/${file}
        DEPENDS ${CMAKE_SOURCE_DIR}/${file})
      list(APPEND VORNIS_DATA_STAMPS ${VORNIS_RUNTIME_DIR}/${file})
    endforeach()
  endif()
endforeach()

add_custom_command(
  OUTPUT ${VORNIS_RUNTIME_DIR}/startscreen.bmp
  COMMAND vornis-make-startscreen ${VORNIS_RUNTIME_DIR}/startscreen.bmp
  DEPENDS vornis-make-startscreen)
list(APPEND VORNIS_DATA_STAMPS ${VORNIS_RUNTIME_DIR}/startscreen.bmp)

set(VORNIS_GENERATED_ASSETS
  xyz/xyz.fbx
  xyz/xyz_plane.fbx
  skybox/skyboxCube.fbx
  lightmesh/lightmesh.fbx
  arrow/arrow.fbx
  Skyboxtextures/sky_daylight.dds
  Skyboxtextures/studio_neutral.dds
  demo/spheres.fbx)
list(TRANSFORM VORNIS_GENERATED_ASSETS PREPEND ${VORNIS_RUNTIME_DIR}/)
add_custom_command(
  OUTPUT ${VORNIS_GENERATED_ASSETS}
  COMMAND vornis-make-assets ${VORNIS_RUNTIME_DIR}
  DEPENDS vornis-make-assets
  COMMENT "Generating fixed models, sky cube maps and the demo model")
list(APPEND VORNIS_DATA_STAMPS ${VORNIS_GENERATED_ASSETS})

add_custom_target(vornis_runtime_data ALL DEPENDS ${VORNIS_DATA_STAMPS})
