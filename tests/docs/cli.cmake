# The pictures committed in docs/ are made by the project: rendered afresh
# from this build's tools (scripts/record-docs --check), each must have the
# committed one's pixels, or the test names the stale file and the command
# that remakes it. A few seconds in Release; the sanitizer builds leave it to
# the others, since the pictures do not depend on the build's checks, and so
# does the handheld build, whose warning card asks for a button, not a key.
if(NOT ZAP_SANITIZE AND NOT ZAP_TSAN AND NOT ZAP_HANDHELD)
  add_test(NAME docs_pictures_fresh
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/record-docs --check --build ${CMAKE_BINARY_DIR})
  set_tests_properties(docs_pictures_fresh PROPERTIES TIMEOUT 300)
  zap_host_only(docs_pictures_fresh)
endif()
