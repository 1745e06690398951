# Warnings on for everything we compile; sanitizers for the native test build.
add_library(lorvane_options INTERFACE)
if(MSVC)
  target_compile_options(lorvane_options INTERFACE /W4 /utf-8 /permissive-)
else()
  target_compile_options(lorvane_options INTERFACE -Wall -Wextra -Wpedantic)
endif()
if(MINGW)
  target_compile_options(lorvane_options INTERFACE -ffunction-sections -fdata-sections)
endif()
if(WIN32)
  target_compile_definitions(lorvane_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endif()
if(LORVANE_SANITIZE AND NOT WIN32)
  target_compile_options(lorvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(lorvane_options INTERFACE -fsanitize=address,undefined)
endif()
