# Writes the editor's pictures (the same files the Windows resource script
# embeds) into a C++ source, for builds without a resource compiler.
# Usage: cmake -DOUT=file.cpp -DBACKGROUND=background.bmp -DATLAS=commonTextures.png -P embed.cmake
function(orvalt_bytes file name result)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n    " body "${body}")
  set(${result} "extern const unsigned char ${name}[] = {\n    ${body}\n};\nextern const size_t ${name}Size = ${size};\n" PARENT_SCOPE)
endfunction()
orvalt_bytes(${BACKGROUND} backgroundBitmap background)
orvalt_bytes(${ATLAS} commonTexturesPng atlas)
file(WRITE ${OUT}.tmp "// Generated from resources/background.bmp and resources/commonTextures.png.\n#include <cstddef>\n\nnamespace PlugEdit {\n\n${background}\n${atlas}\n}  // namespace PlugEdit\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
