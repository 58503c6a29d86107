# The browser edition (emcmake cmake -S . -B build-web): the game on the web
# platform, the site in build-web/site/ and the single page
# build-web/tirauris.html that carries everything, and the unit and scenario
# tests compiled to WebAssembly for node. No SDL and no installed GoogleTest:
# GoogleTest is compiled from Debian's sources.

set(web_dir "${CMAKE_SOURCE_DIR}/web")
set(web_library "${CMAKE_SOURCE_DIR}/src/platform/web_platform.js")

# The sound pack, made by the same generator as the desktop's.
set(TIRAURIS_PACK_DIR "${CMAKE_SOURCE_DIR}/data" CACHE PATH "Folder the build makes the sound pack in")
add_custom_target(sound_pack ALL
  COMMAND bash "${CMAKE_SOURCE_DIR}/sounds/generate.sh" "${TIRAURIS_PACK_DIR}"
  COMMENT "Sound pack in ${TIRAURIS_PACK_DIR}"
  VERBATIM)

# The blocking loops of the game suspend under Asyncify at these imports.
set(web_link_options
  -sASYNCIFY
  "-sASYNCIFY_IMPORTS=['tir_init','tir_sleep','tir_yield','tir_load','tir_stop']"
  -sASYNCIFY_STACK_SIZE=65536
  -sENVIRONMENT=web
  -sINVOKE_RUN=0
  -sEXIT_RUNTIME=1
  -sFORCE_FILESYSTEM
  "-sEXPORTED_RUNTIME_METHODS=['callMain']"
  -lidbfs.js
  --js-library "${web_library}")

add_library(web_platform STATIC src/platform/web_platform.cpp)
target_include_directories(web_platform PUBLIC src)

add_executable(tirauris web/main.cpp)
target_link_libraries(tirauris PRIVATE tirauris_game web_platform)
target_link_options(tirauris PRIVATE ${web_link_options})
set_target_properties(tirauris PROPERTIES SUFFIX ".js" LINK_DEPENDS "${web_library}")

# The site and the single page, from the page's sources, the game and the pack.
file(GLOB web_sources CONFIGURE_DEPENDS "${web_dir}/*.html" "${web_dir}/*.js" "${web_dir}/*.css"
  "${web_dir}/*.mjs")
add_custom_target(site ALL
  COMMAND node "${web_dir}/make_site.mjs" "$<TARGET_FILE_DIR:tirauris>" "${TIRAURIS_PACK_DIR}"
    "${CMAKE_BINARY_DIR}/site" "${CMAKE_BINARY_DIR}/tirauris.html"
  DEPENDS tirauris sound_pack ${web_sources}
  COMMENT "Site in ${CMAKE_BINARY_DIR}/site, single page ${CMAKE_BINARY_DIR}/tirauris.html"
  VERBATIM)

if(TIRAURIS_TESTS)
  # A scripted mixer sequence, heard in the browser by tests/web.
  add_executable(mixer_sequence tests/web/mixer_sequence.cpp)
  target_link_libraries(mixer_sequence PRIVATE web_platform)
  target_link_options(mixer_sequence PRIVATE ${web_link_options})
  set_target_properties(mixer_sequence PROPERTIES SUFFIX ".js" LINK_DEPENDS "${web_library}")

  set(gtest_root /usr/src/googletest/googletest)
  if(EXISTS "${gtest_root}/src/gtest-all.cc")
    add_library(web_gtest STATIC "${gtest_root}/src/gtest-all.cc" "${gtest_root}/src/gtest_main.cc")
    target_include_directories(web_gtest SYSTEM PUBLIC "${gtest_root}/include" PRIVATE "${gtest_root}")
    # The fake platform ends a scenario by throwing; WebAssembly catches
    # exceptions only where asked to.
    # Unoptimised, they build several times faster and still run in seconds.
    target_compile_options(web_gtest PUBLIC -fexceptions -O0 PRIVATE -Wno-error)
    target_link_options(web_gtest PUBLIC -fexceptions -O0)
    add_library(fake_platform STATIC tests/fake/fake_platform.cpp)
    target_include_directories(fake_platform PUBLIC tests src)
    target_link_libraries(fake_platform PUBLIC web_gtest)
    # Under node, with the real file system, one program per test file.
    file(GLOB test_sources CONFIGURE_DEPENDS tests/unit/*.cpp tests/scenario/*.cpp)
    foreach(source ${test_sources})
      get_filename_component(name ${source} NAME_WE)
      add_executable(${name} ${source})
      target_link_libraries(${name} PRIVATE tirauris_game fake_platform web_gtest)
      target_link_options(${name} PRIVATE -sNODERAWFS -sENVIRONMENT=node -sEXIT_RUNTIME=1
        -sALLOW_MEMORY_GROWTH -sSINGLE_FILE)
      set_target_properties(${name} PROPERTIES SUFFIX ".js")
    endforeach()
  endif()
endif()
