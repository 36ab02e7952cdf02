# cmake -DSOURCE_DIR=... -DOUTPUT=... -P embed.cmake
# Writes page.html, page.css and page.js of SOURCE_DIR into OUTPUT as
# NUL-terminated byte arrays: compilers limit the length of a string literal,
# not of an array.
set(text "// Written by embed.cmake from page.html, page.css and page.js.\n#include \"report/page_assets.h\"\n\nnamespace tav::report {\n")
foreach(name Html Css Js)
  string(TOLOWER ${name} extension)
  file(READ ${SOURCE_DIR}/page.${extension} hex HEX)
  string(REGEX REPLACE "(..)" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND text "const char kPage${name}[] = {${bytes}0};\n")
endforeach()
string(APPEND text "}  // namespace tav::report\n")
file(WRITE ${OUTPUT} "${text}")
