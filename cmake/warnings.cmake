# Warning flags for this project's own targets, and in Debug and fuzz builds the standard
# library's own checks: an index past the end of a string_view or a vector stops the program
# there, where it would otherwise read a byte that happens to be mapped. Linked PRIVATE so they
# never reach a consumer.
add_library(morsel_warnings INTERFACE)
add_library(morsel::warnings ALIAS morsel_warnings)
target_compile_options(
  morsel_warnings
  INTERFACE -Wall
            -Wextra
            -Wpedantic
            -Wconversion
            -Wsign-conversion
            -Wshadow
            $<$<BOOL:${MORSEL_WARNINGS_AS_ERRORS}>:-Werror>)
target_compile_definitions(
  morsel_warnings
  INTERFACE $<$<AND:$<BOOL:${MORSEL_STDLIB_ASSERTIONS}>,$<OR:$<CONFIG:Debug>,$<BOOL:${MORSEL_FUZZ}>>>:_GLIBCXX_ASSERTIONS>)
