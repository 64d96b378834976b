// The layout of the structs an extension shares with Ruby 2.7, as the compiler sees them through
// the headers given. scripts/windows-ruby-test.sh compiles this to assembly twice: with the
// modeller's SDK headers behind the GCC config.h, and with the MinGW Ruby's own headers; the
// numbers must be the same, or alignment or packing was lost in the mapping. (rb_io_t is left
// out: it holds an rb_pid_t, an int for Microsoft's compiler and MinGW's 64-bit pid_t here;
// the extensions do not use it.)
#include <ruby.h>
#include <ruby/encoding.h>
#include <ruby/io.h>

#include <cstddef>

#define VISTREL_LAYOUT(type, member) sizeof(type), alignof(type), offsetof(type, member)

extern "C" const std::size_t vistrel_ruby_layout[] = {
    VISTREL_LAYOUT(RBasic, klass),
    VISTREL_LAYOUT(RObject, as),
    VISTREL_LAYOUT(RString, as),
    VISTREL_LAYOUT(RArray, as),
    VISTREL_LAYOUT(RData, data),
    VISTREL_LAYOUT(RTypedData, data),
    VISTREL_LAYOUT(rb_data_type_t, flags),
    VISTREL_LAYOUT(rb_io_buffer_t, capa),
    VISTREL_LAYOUT(st_table, entries),
    VISTREL_LAYOUT(OnigEncodingType, flags),
    sizeof(struct timeval),
    sizeof(struct timespec),
};
