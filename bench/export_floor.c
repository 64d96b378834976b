/* The floor of the export benchmark: the least work any native exporter must do with the
 * arrays a script hands over. Each Ruby Array is converted to 4-byte items in a reused buffer
 * and written with one fwrite; nothing is kept, batched or formatted.
 *
 *   VistrelBenchFloor.open(path)
 *   VistrelBenchFloor.write_faces(vs, fs, ns, uvs)  # positions, 1-based vertex numbers,
 *                                                   # normals, (u, v, unused) triples
 *   VistrelBenchFloor.close
 */
#include <ruby.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static FILE* output;
static uint32_t* items;
static long capacity;

static void reserve(long count) {
    if (count <= capacity) return;
    uint32_t* grown = realloc(items, (size_t)count * sizeof *items);
    if (!grown) rb_raise(rb_eNoMemError, "floor: out of memory");
    items = grown;
    capacity = count;
}

/* Flonums decoded in place, as the extension does (and the interpreter itself). */
static double flonum_value(VALUE value) {
    uint64_t word = (uint64_t)value, bits;
    double number;
    if (word == 0x8000000000000002ULL) return 0.0;
    bits = (2 - (word >> 63)) | (word & ~(uint64_t)3);
    bits = (bits >> 3) | (bits << 61);
    memcpy(&number, &bits, sizeof number);
    return number;
}

static float to_float(VALUE value) {
    if (RB_FLONUM_P(value)) return (float)flonum_value(value);
    if (RB_FLOAT_TYPE_P(value)) return (float)rb_float_value(value);
    if (RB_FIXNUM_P(value)) return (float)FIX2LONG(value);
    return (float)rb_num2dbl(value);
}

static void put(const void* data, long count) {
    if (fwrite(data, 4, (size_t)count, output) != (size_t)count) rb_sys_fail("floor: fwrite");
}

/* Every element (stride 1) or the first two of every three (stride 3, texture coordinates). */
static void write_floats(VALUE array, int stride) {
    Check_Type(array, T_ARRAY);
    const long n = RARRAY_LEN(array);
    const VALUE* values = RARRAY_CONST_PTR(array);
    reserve(n);
    float* out = (float*)items;
    long count = 0;
    if (stride == 1) {
        for (long i = 0; i < n; ++i) out[count++] = to_float(values[i]);
    } else {
        for (long i = 0; i + 1 < n; i += 3) {
            out[count++] = to_float(values[i]);
            out[count++] = to_float(values[i + 1]);
        }
    }
    put(out, count);
}

static void write_indices(VALUE array) {
    Check_Type(array, T_ARRAY);
    const long n = RARRAY_LEN(array);
    const VALUE* values = RARRAY_CONST_PTR(array);
    reserve(n);
    int32_t* out = (int32_t*)items;
    for (long i = 0; i < n; ++i) {
        const VALUE v = values[i];
        out[i] = (int32_t)(RB_FIXNUM_P(v) ? FIX2LONG(v) : NUM2LONG(v)) - 1;
    }
    put(out, n);
}

static VALUE floor_open(VALUE self, VALUE path) {
    (void)self;
    if (output) fclose(output);
    output = fopen(StringValueCStr(path), "wb");
    if (!output) rb_sys_fail(StringValueCStr(path));
    return Qnil;
}

static VALUE floor_write_faces(VALUE self, VALUE vs, VALUE fs, VALUE ns, VALUE uvs) {
    (void)self;
    if (!output) rb_raise(rb_eIOError, "floor: not open");
    write_floats(vs, 1);
    write_floats(ns, 1);
    write_floats(uvs, 3);
    write_indices(fs);
    return Qnil;
}

static VALUE floor_close(VALUE self) {
    (void)self;
    if (output && fclose(output) != 0) {
        output = NULL;
        rb_sys_fail("floor: fclose");
    }
    output = NULL;
    return Qnil;
}

void Init_vistrel_bench_floor(void) {
    VALUE floor = rb_define_module("VistrelBenchFloor");
    rb_define_module_function(floor, "open", floor_open, 1);
    rb_define_module_function(floor, "write_faces", floor_write_faces, 4);
    rb_define_module_function(floor, "close", floor_close, 0);
}
