# Warning flags for this project's own targets. Linked PRIVATE so they never reach a consumer.
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
