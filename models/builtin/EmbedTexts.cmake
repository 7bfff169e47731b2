# Turns each built-in profile document into a raw string constant of a generated source file.
# Called as: cmake -DOUTPUT=<file.cpp> "-DINPUTS=<a.xml;b.xml;...>" -P EmbedTexts.cmake
set(_delimiter "kolzxml")
set(_body "")
set(_index 0)
foreach(_input IN LISTS INPUTS)
  file(READ "${_input}" _text)
  string(FIND "${_text}" ")${_delimiter}\"" _clash)
  if(NOT _clash EQUAL -1)
    message(FATAL_ERROR "${_input} contains the raw string delimiter")
  endif()
  string(APPEND _body "constexpr char text${_index}[] = R\"${_delimiter}(${_text})${_delimiter}\";\n")
  math(EXPR _index "${_index} + 1")
endforeach()

set(_list "")
math(EXPR _last "${_index} - 1")
foreach(_i RANGE ${_last})
  string(APPEND _list "    std::string(text${_i}, sizeof(text${_i}) - 1),\n")
endforeach()

set(_content "// Generated from the built-in profile documents; do not edit.
#include <string>
#include <vector>

namespace {
${_body}} // namespace

namespace kolz::detail {
std::vector<std::string> builtinProfileTexts()
{
    return {
${_list}    };
}
} // namespace kolz::detail
")

# Rewrite only on change so that the library is not rebuilt needlessly.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" _old)
  if(_old STREQUAL _content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${_content}")
