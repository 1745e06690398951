# The release: lorvane.exe with the README, the Japanese user guide and the
# screenshots they show, in one zip.
#     cmake --build --preset windows --target release
# packs build/windows/lorvane-<version>.zip, which unpacks into lorvane-<version>/.
if(WIN32)
  set(release_name lorvane-${PROJECT_VERSION})
  set(release_stage ${CMAKE_BINARY_DIR}/release)
  set(release_zip ${CMAKE_BINARY_DIR}/${release_name}.zip)
  file(GLOB release_screenshots CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshots/*.png)
  file(GLOB release_screenshots_150 CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshots/150/*.png)
  set(release_guide ${PROJECT_SOURCE_DIR}/docs/guide-ja.md)
  add_custom_command(
    OUTPUT ${release_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${release_stage} ${release_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release_stage}/${release_name}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:lorvane> ${PROJECT_SOURCE_DIR}/README.md
            ${release_stage}/${release_name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release_stage}/${release_name}/docs/screenshots/150
    COMMAND ${CMAKE_COMMAND} -E copy ${release_guide} ${release_stage}/${release_name}/docs
    COMMAND ${CMAKE_COMMAND} -E copy ${release_screenshots} ${release_stage}/${release_name}/docs/screenshots
    COMMAND ${CMAKE_COMMAND} -E copy ${release_screenshots_150} ${release_stage}/${release_name}/docs/screenshots/150
    COMMAND ${CMAKE_COMMAND} -E chdir ${release_stage}
            ${CMAKE_COMMAND} -E tar cf ${release_zip} --format=zip ${release_name}
    DEPENDS lorvane ${PROJECT_SOURCE_DIR}/README.md ${release_guide} ${release_screenshots} ${release_screenshots_150}
    COMMENT "Packing ${release_name}.zip"
    VERBATIM)
  add_custom_target(release DEPENDS ${release_zip})
endif()
