# Compiler flags shared by every target.
add_compile_options(-Wall -Wextra)

# Sources are UTF-8; every narrow literal becomes the Shift_JIS bytes the user sees.
# clang accepts only UTF-8 as execution charset, so the fuzz build keeps UTF-8 literals.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP932)
endif()

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(PB_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=${PB_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${PB_SANITIZE})
endif()

if(PB_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
