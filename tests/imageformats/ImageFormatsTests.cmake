# The image library's test program, and the TIFF and PNG files its reader
# tests compare: made at build time by image_fixtures.py with libtiff's tools,
# ImageMagick and Pillow (scripts/deps.sh installs them), each beside the
# pixels an independent decoder reads from it. The PngSuite images are in
# tests/data/pngsuite. Without the tools the tests that need them are skipped.
mirelan_test_folder(imageformats mirelan_imageformats mirelan_htmlviewer)

set(mirelan_pngsuite ${CMAKE_CURRENT_SOURCE_DIR}/data/pngsuite)
find_program(MIRELAN_TIFFCP tiffcp)
find_program(MIRELAN_TIFF2RGBA tiff2rgba)
find_program(MIRELAN_FAX2TIFF fax2tiff)
find_program(MIRELAN_IM_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
find_program(MIRELAN_PIL_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(image_tools_found FALSE)
if(MIRELAN_TIFFCP AND MIRELAN_TIFF2RGBA AND MIRELAN_FAX2TIFF AND MIRELAN_IM_CONVERT AND MIRELAN_PIL_PYTHON)
  execute_process(COMMAND ${MIRELAN_PIL_PYTHON} -c "import PIL" RESULT_VARIABLE pil_result OUTPUT_QUIET ERROR_QUIET)
  if(pil_result EQUAL 0)
    set(image_tools_found TRUE)
  endif()
endif()
if(TARGET test_imageformats AND image_tools_found)
  set(image_dir ${CMAKE_CURRENT_BINARY_DIR}/imageformats_files)
  add_custom_command(
    OUTPUT ${image_dir}/made
    COMMAND ${CMAKE_COMMAND} -E env PATH=$ENV{PATH} ${MIRELAN_PIL_PYTHON}
            ${CMAKE_CURRENT_SOURCE_DIR}/imageformats/image_fixtures.py ${image_dir} ${mirelan_pngsuite}
    COMMAND ${CMAKE_COMMAND} -E touch ${image_dir}/made
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/imageformats/image_fixtures.py ${mirelan_pngsuite}/README
    COMMENT "Making the TIFF and PNG files of the image library tests")
  add_custom_target(imageformats_files DEPENDS ${image_dir}/made)
  add_dependencies(test_imageformats imageformats_files)
  target_compile_definitions(test_imageformats PRIVATE MIRELAN_IMAGE_FILES="${image_dir}")
elseif(TARGET test_imageformats)
  message(STATUS "TIFF and PNG reader tests skipped: libtiff-tools, ImageMagick or Pillow missing")
endif()

# The files of the other readers, made by reader_fixtures.py with netpbm,
# ImageMagick and Pillow into the same folder.
find_program(MIRELAN_PAMTOTGA pamtotga)
if(TARGET test_imageformats AND image_tools_found AND MIRELAN_PAMTOTGA)
  add_custom_command(
    OUTPUT ${image_dir}/readers-made
    COMMAND ${CMAKE_COMMAND} -E env PATH=$ENV{PATH} ${MIRELAN_PIL_PYTHON}
            ${CMAKE_CURRENT_SOURCE_DIR}/imageformats/reader_fixtures.py ${image_dir}
    COMMAND ${CMAKE_COMMAND} -E touch ${image_dir}/readers-made
    # After the TIFF and PNG files, which make the reference folder afresh.
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/imageformats/reader_fixtures.py ${image_dir}/made
    COMMENT "Making the files of the other image readers' tests")
  add_custom_target(imageformats_reader_files DEPENDS ${image_dir}/readers-made)
  add_dependencies(test_imageformats imageformats_reader_files)
  target_compile_definitions(test_imageformats PRIVATE MIRELAN_READER_FILES=1)
elseif(TARGET test_imageformats)
  message(STATUS "Reader tests of TGA, PCX, PSD, SGI, GIF, PNM, PCD, RLA, CUT and PSP files skipped: netpbm missing")
endif()
