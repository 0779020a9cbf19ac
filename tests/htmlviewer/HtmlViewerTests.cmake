# The viewer's test program. PNG and BMP pictures reach the viewer through
# the picture registry, which the Qt side fills.
if(MIRELAN_GUI)
  mirelan_test_folder(htmlviewer mirelan_htmlviewer mirelan_platform_qt)
  target_compile_definitions(test_htmlviewer PRIVATE MIRELAN_QT_PICTURES=1)
  # The form widgets and the paint panel, as real widgets under the test
  # command's X server.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  mirelan_gui_test_folder(htmlviewer/widgets mirelan_htmlviewer_widgets Qt6::Test)
else()
  mirelan_test_folder(htmlviewer mirelan_htmlviewer)
endif()
# The program's help file is a fixture of the builder's tests.
target_compile_definitions(test_htmlviewer PRIVATE MIRELAN_HELP_FILE="${CMAKE_SOURCE_DIR}/app/mirelanhelp.htm")

# The image files of the viewer's tests are made at build time with
# ImageMagick's convert, giflib's gifbuild and Pillow, each GIF with the
# frames Pillow reads from it (scripts/deps.sh installs the three). Without
# them the tests that need the files are skipped.
find_program(MIRELAN_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
find_program(MIRELAN_GIFBUILD gifbuild)
find_program(MIRELAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(pillow_found FALSE)
if(MIRELAN_PYTHON)
  execute_process(COMMAND ${MIRELAN_PYTHON} -c "import PIL" RESULT_VARIABLE pillow_result OUTPUT_QUIET ERROR_QUIET)
  if(pillow_result EQUAL 0)
    set(pillow_found TRUE)
  endif()
endif()
if(TARGET test_htmlviewer AND MIRELAN_CONVERT AND MIRELAN_GIFBUILD AND pillow_found)
  set(gif_dir ${CMAKE_CURRENT_BINARY_DIR}/htmlviewer_images)
  add_custom_command(
    OUTPUT ${gif_dir}/made
    COMMAND ${CMAKE_COMMAND} -E env MIRELAN_CONVERT=${MIRELAN_CONVERT} MIRELAN_GIFBUILD=${MIRELAN_GIFBUILD}
            MIRELAN_PYTHON=${MIRELAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/htmlviewer/image_fixtures.sh ${gif_dir}
    COMMAND ${CMAKE_COMMAND} -E touch ${gif_dir}/made
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/htmlviewer/image_fixtures.sh ${CMAKE_CURRENT_SOURCE_DIR}/htmlviewer/gif_reference.py
    COMMENT "Making the image files of the HTML viewer tests")
  add_custom_target(htmlviewer_images DEPENDS ${gif_dir}/made)
  add_dependencies(test_htmlviewer htmlviewer_images)
  target_compile_definitions(test_htmlviewer PRIVATE MIRELAN_IMAGE_FIXTURES="${gif_dir}")
elseif(TARGET test_htmlviewer)
  message(STATUS "Image tests of the HTML viewer skipped: convert, gifbuild or Pillow missing (scripts/deps.sh)")
endif()
