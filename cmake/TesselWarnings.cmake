# One set of warnings for every target of the project: each target links tessel_warnings PRIVATE,
# so the options reach its own sources and never leak into a consumer's.
if(NOT TARGET tessel_warnings)
  add_library(tessel_warnings INTERFACE)
  target_compile_options(tessel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
endif()
