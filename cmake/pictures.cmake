# The pictures uninstall.exe embeds, drawn by a host program: resources/rule.jpg,
# resources/emblem.bmp and resources/uninstall.ico. They are committed; the `pictures` target
# redraws them in the source tree, and the tests fail when they drift from the generator or from
# the layout the program expects.
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH UNROLL_PICTURES_ROOT)
set(UNROLL_PICTURES_DIR ${UNROLL_PICTURES_ROOT}/resources)

find_package(JPEG REQUIRED)

add_executable(make_pictures ${UNROLL_PICTURES_DIR}/generator/make_pictures.cc)
target_link_libraries(make_pictures PRIVATE JPEG::JPEG)
# No fused multiply-add: the pictures come out the same whatever the compiler decides.
target_compile_options(make_pictures PRIVATE ${UNROLL_WARNINGS} -ffp-contract=off)

add_custom_target(pictures
  COMMAND make_pictures ${UNROLL_PICTURES_DIR}
  COMMENT "Drawing resources/rule.jpg, resources/emblem.bmp and resources/uninstall.ico"
  VERBATIM)

add_test(NAME pictures.up_to_date COMMAND make_pictures --check ${UNROLL_PICTURES_DIR})

find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME pictures.layout
           COMMAND ${Python3_EXECUTABLE} ${UNROLL_PICTURES_DIR}/generator/check_pictures.py ${UNROLL_PICTURES_DIR})
endif()
