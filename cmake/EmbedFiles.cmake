# cmake -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DFILES="<symbol>=<path>|..." -P EmbedFiles.cmake
# Writes a source file that holds each file's bytes as `std::string_view <symbol>()`, so that a
# program carries them in itself and needs nothing installed beside it.
set(source "// Written by cmake/EmbedFiles.cmake from the files it names; not edited by hand.\n")
string(APPEND source "#include <string_view>\n\nnamespace ${NAMESPACE} {\n")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(entry IN LISTS FILES)
    string(REGEX MATCH "^([A-Za-z0-9_]+)=(.*)$" matched "${entry}")
    set(symbol "${CMAKE_MATCH_1}")
    file(READ "${CMAKE_MATCH_2}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND source "\nnamespace {\nconstexpr char ${symbol}Bytes[] = {${bytes} 0};\n}\n")
    string(APPEND source
           "std::string_view ${symbol}() { return {${symbol}Bytes, ${size}}; }\n")
endforeach()
string(APPEND source "\n}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.new" "${source}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
