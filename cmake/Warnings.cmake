# Warnings are errors everywhere; sanitizers on request.
add_compile_options(-Wall -Wextra -Wpedantic -Werror -Wno-missing-field-initializers)

if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Strings are UTF-8 inside the program; Windows file calls go through wide characters.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # The .exe files must run with no DLLs beside them.
  add_link_options(-static)
endif()
