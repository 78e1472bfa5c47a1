# Build-time generators of the data files: each tool is a small program of its own
# (no OpenGL, no SDL), run by the build to write its files into the run directory.
file(GLOB tool_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${tool_sources})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endforeach()
find_package(ZLIB REQUIRED)
target_link_libraries(makeicon PRIVATE ZLIB::ZLIB)

if(TARGET makepictures)
  set(PICTURES velmo.bmp quor_drell.bmp roska.bmp 4s.bmp 5s.bmp f.bmp black_800_340.tga)
  list(TRANSFORM PICTURES PREPEND ${DATA_DIR}/)
  add_custom_command(OUTPUT ${PICTURES}
                     COMMAND makepictures ${DATA_DIR}
                     DEPENDS makepictures
                     COMMENT "Drawing the demo's pictures")
  add_custom_target(pictures ALL DEPENDS ${PICTURES})
endif()

if(TARGET makemusic)
  add_custom_command(OUTPUT ${DATA_DIR}/music.xm
                     COMMAND makemusic ${DATA_DIR}/music.xm
                     DEPENDS makemusic
                     COMMENT "Composing the demo's music")
  add_custom_target(music ALL DEPENDS ${DATA_DIR}/music.xm)
endif()
