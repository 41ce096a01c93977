# -DTESSEL_SANITIZE=address, undefined, or both (address,undefined): every target of the project is
# compiled and linked with that sanitizer, and any finding ends the program (no recovery), so a test
# that meets one fails. Use a build folder of its own: nothing of an ordinary build can be reused.
set(TESSEL_SANITIZE "" CACHE STRING "Sanitizers to build with: address, undefined or address,undefined")
if(TESSEL_SANITIZE)
  string(REPLACE "," ";" sanitizers "${TESSEL_SANITIZE}")
  foreach(sanitizer IN LISTS sanitizers)
    if(NOT sanitizer MATCHES "^(address|undefined)$")
      message(FATAL_ERROR "TESSEL_SANITIZE: ${sanitizer} is not address or undefined")
    endif()
  endforeach()
  string(REPLACE ";" "," sanitizers "${sanitizers}")
  add_compile_options(-fsanitize=${sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${sanitizers})
endif()

# -DTESSEL_FUZZ=ON (clang only, a build folder of its own): the fuzz targets, libFuzzer with the
# address and undefined sanitizers, over code instrumented for coverage. `make fuzz` builds and runs
# them; the ordinary build neither needs nor builds them.
option(TESSEL_FUZZ "Build the fuzz targets (clang and libFuzzer)" OFF)
if(TESSEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESSEL_FUZZ needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
