# The web page in headless Chromium against simulated gimbals: the page's
# Web Serial is a stand-in joined by a bridge to gimbal-sim's pseudo-terminal.
# Run with Debian's python3, which has the selenium and websockets modules.
find_program(GIMBAL_CHROMEDRIVER chromedriver)
if(TARGET wasm AND GIMBAL_CHROMEDRIVER AND EXISTS /usr/bin/python3)
  add_test(NAME web.page
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/web_test.py
            ${CMAKE_BINARY_DIR}/web/site $<TARGET_FILE:gimbal-sim>)
  set_tests_properties(web.page PROPERTIES LABELS web TIMEOUT 240 ENVIRONMENT LANGUAGE=en)
  # The maker's releases listed, verified with WebCrypto and kept offline by the page.
  find_program(GIMBAL_SIGNIFY signify-openbsd)
  if(GIMBAL_SIGNIFY)
    add_test(NAME web.releases
      COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/releases_test.py
              ${CMAKE_BINARY_DIR}/web/site $<TARGET_FILE:gimbal-sim>)
    set_tests_properties(web.releases PROPERTIES LABELS web TIMEOUT 120 ENVIRONMENT LANGUAGE=en)
  endif()
else()
  message(STATUS "No web page or chromedriver: the web page test is not run")
endif()

# The page packed to host without a build: its files and the core it loads, in one folder.
if(TARGET wasm)
  add_test(NAME web.zip COMMAND sh -c
    "${CMAKE_COMMAND} -E tar tf ${CMAKE_BINARY_DIR}/gimbal-tool-web-${PROJECT_VERSION}.zip | sort | tr '\\n' ' '")
  set_tests_properties(web.zip PROPERTIES LABELS web PASS_REGULAR_EXPRESSION
    "gimbal-tool-web-[^/]*/ [^ ]*/app.js .*/gimbal-core.mjs [^ ]*/gimbal-core.wasm .*/index.html .*/link-worker.js .*/sw.js ")
endif()

# The station's operator's screen in headless Chromium, against a station on simulated gimbals.
if(GIMBAL_CHROMEDRIVER AND EXISTS /usr/bin/python3)
  add_test(NAME web.station_screen
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/screen_test.py
            $<TARGET_FILE:gimbalctl> $<TARGET_FILE:gimbal-sim>)
  set_tests_properties(web.station_screen PROPERTIES LABELS web TIMEOUT 180 ENVIRONMENT LANGUAGE=en)
endif()

# The page and the screen in German and Chinese (--lang), each document's texts in its language.
if(GIMBAL_CHROMEDRIVER AND EXISTS /usr/bin/python3 AND TARGET translations)
  add_test(NAME web.languages
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/web/language_test.py
            $<TARGET_FILE:gimbalctl> $<TARGET_FILE:gimbal-sim> ${CMAKE_BINARY_DIR}/web/site)
  set_tests_properties(web.languages PROPERTIES LABELS web TIMEOUT 120)
endif()
