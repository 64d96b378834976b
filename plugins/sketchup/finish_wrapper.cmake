# Turns the wrapper that SWIG generated into sketchup_exporter_wrap.cxx.
#
#   cmake -DINPUT=<generated wrapper> -DOUTPUT=<final wrapper> -P finish_wrapper.cmake
#
# Changes to the vector classes FloatVector and IntVector, which come from SWIG's library and
# which no rename or typemap reaches:
#   - their methods are defined in the order the extension has always used;
#   - the copy constructor is listed without a parameter name in the overload error text;
#   - []= past the end with no values pads with zeros instead of reading a missing first value;
#   - the overload text lists [] with a Range as it always has, without the receiver parameter
#     of this extension's own form.
# And to every int conversion: it reads through long long, not long (see the end).
# Anything not found as expected stops the build, so a SWIG whose vector library differs is
# noticed here rather than by the extension's users.

cmake_minimum_required(VERSION 3.25)

set(vector_methods
  initialize dup inspect to_a to_s slice each select reject! delete_if delete_at __delete2__
  pop push << reject at [] []= shift unshift empty? size clear swap get_allocator begin end
  rbegin rend erase front back assign resize insert reserve capacity map_bang __delete__)

file(READ "${INPUT}" wrapper)

# Replaces every occurrence of old with new in the wrapper; stops the build when there is none.
function(replace_required old new what)
  string(FIND "${wrapper}" "${old}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${INPUT}: no ${what}")
  endif()
  string(REPLACE "${old}" "${new}" replaced "${wrapper}")
  set(wrapper "${replaced}" PARENT_SCOPE)
endfunction()

foreach(vector_class FloatVector IntVector)
  set(prefix "  rb_define_")
  set(owner "(SwigClass${vector_class}.klass, \"")
  # The class's definitions form one run of lines: from its initialize to its last definition
  # (this extension's own block methods come after SWIG's).
  string(FIND "${wrapper}" "${prefix}method${owner}initialize\"" block_start)
  string(FIND "${wrapper}" "${prefix}method${owner}" last_line REVERSE)
  string(FIND "${wrapper}" "${prefix}alias${owner}" last_alias REVERSE)
  if(last_alias GREATER last_line)
    set(last_line ${last_alias})
  endif()
  if(block_start EQUAL -1 OR last_line EQUAL -1 OR last_line LESS block_start)
    message(FATAL_ERROR "${INPUT}: no method definitions of ${vector_class} found")
  endif()
  string(SUBSTRING "${wrapper}" ${last_line} -1 rest)
  string(FIND "${rest}" "\n" last_line_length)
  math(EXPR block_length "${last_line} + ${last_line_length} + 1 - ${block_start}")
  string(SUBSTRING "${wrapper}" ${block_start} ${block_length} block)

  set(remaining "${block}")
  set(ordered "")
  foreach(method IN LISTS vector_methods)
    string(REGEX REPLACE "([][.*+?^$|()\\\\])" "\\\\\\1" method_pattern "${method}")
    string(REGEX MATCH "  rb_define_(method|alias)\\(SwigClass${vector_class}\\.klass, \"${method_pattern}\"[^\n]*\n"
           line "${remaining}")
    if(line STREQUAL "")
      message(FATAL_ERROR "${INPUT}: ${vector_class} defines no method ${method}")
    endif()
    string(APPEND ordered "${line}")
    string(REPLACE "${line}" "" remaining "${remaining}")
  endforeach()
  if(NOT remaining STREQUAL "")
    message(FATAL_ERROR "${INPUT}: ${vector_class} defines methods not in the list:\n${remaining}")
  endif()
  string(REPLACE "${block}" "${ordered}" wrapper "${wrapper}")
endforeach()

foreach(pair FloatVector:float IntVector:int)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 vector_class)
  list(GET pair 1 element)
  # The text as it stands in the C string literal, "\n" included.
  set(named "    ${vector_class}.new(std::vector< ${element} > const &other)\\n")
  string(REPLACE " const &other)" " const &)" unnamed "${named}")
  replace_required("${named}" "${unnamed}" "copy constructor prototype for ${vector_class}")
endforeach()

# []= with a start and a length that reach past the end pads the vector with the first value
# assigned, read even when the values are empty. Empty values pad with zeros.
replace_required("swig::resize( self, j, *(v.begin()) );"
                 "swig::resize( self, j, v.empty() ? 0 : v.front() );"
                 "padding in []= of the vector classes")

replace_required("    VALUE __getitem__(VALUE i, VALUE *RUBY_SELF)\\n"
                 "    VALUE __getitem__(VALUE i)\\n"
                 "prototype of [] with a Range")

# long has 32 bits on Windows, where Ruby's Fixnums end at 2**30: SWIG_AsVal_long refuses
# larger Integers as the wrong type. Read through long long, an Integer beyond int is a
# RangeError on every platform.
replace_required("SWIG_AsVal_int (VALUE obj, int *val)\n{\n  long v;\n  int res = SWIG_AsVal_long (obj, &v);"
                 "SWIG_AsVal_int (VALUE obj, int *val)\n{\n  long long v;\n  int res = SWIG_AsVal_long_SS_long (obj, &v);"
                 "int conversion through long")

file(WRITE "${OUTPUT}" "${wrapper}")
