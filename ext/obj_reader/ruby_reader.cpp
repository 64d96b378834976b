// The Ruby extension vistrel_obj_reader: VistrelObjReader.read(handler, name) reads an OBJ model
// and returns a VistrelObjReader::Model, whose hand_over yields what the exporter is called
// with, group by group.
#include <ruby.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "obj_parse.h"

namespace {

using vistrel_obj::Group;
using vistrel_obj::Mesh;
using vistrel_obj::ObjBuilder;

VALUE model_class;
VALUE malformed_error;

// A Ruby exception caught in Ruby's protect: C++ frames unwind before it goes on.
struct RubyJump {
    int state;
};

VALUE call_function(VALUE data) {
    return (*reinterpret_cast<std::function<VALUE()>*>(data))();
}

VALUE protect(std::function<VALUE()> body) {
    int state = 0;
    const VALUE result = rb_protect(call_function, reinterpret_cast<VALUE>(&body), &state);
    if (state) throw RubyJump{state};
    return result;
}

// The Ruby handler: read_chunk -> String or nil, material(name, line) -> Integer,
// material_library(names, line).
class RubyHandler : public vistrel_obj::ParseHandler {
  public:
    explicit RubyHandler(VALUE handler) : handler_(handler) {}

    bool read_chunk(std::string& buffer) override {
        // Ctrl-C and the like are taken here, between chunks, however long the file.
        const VALUE chunk = protect([this] {
            rb_thread_check_ints();
            return rb_funcall(handler_, rb_intern("read_chunk"), 0);
        });
        if (!RB_TYPE_P(chunk, T_STRING)) return false;
        buffer.append(RSTRING_PTR(chunk), static_cast<size_t>(RSTRING_LEN(chunk)));
        return true;
    }

    int material(const std::string& name, int64_t line) override {
        const VALUE id = protect([&] {
            return rb_funcall(handler_, rb_intern("material"), 2,
                              rb_str_new(name.data(), long(name.size())), LL2NUM(line));
        });
        // Read without a conversion that could raise here, among C++ frames.
        const long number = FIXNUM_P(id) ? FIX2LONG(id) : -1;
        return number >= 0 && number <= INT_MAX ? static_cast<int>(number) : -1;
    }

    void material_library(const std::string& names, int64_t line) override {
        protect([&] {
            return rb_funcall(handler_, rb_intern("material_library"), 2,
                              rb_str_new(names.data(), long(names.size())), LL2NUM(line));
        });
    }

  private:
    VALUE handler_;
};

void model_free(void* data) {
    delete static_cast<ObjBuilder*>(data);
}

const rb_data_type_t model_type = {"VistrelObjReader::Model",
                                   {nullptr, model_free, nullptr, nullptr, {nullptr}},
                                   nullptr,
                                   nullptr,
                                   RUBY_TYPED_FREE_IMMEDIATELY};

ObjBuilder& model_of(VALUE self) {
    auto* builder = static_cast<ObjBuilder*>(rb_check_typeddata(self, &model_type));
    if (!builder) rb_raise(rb_eRuntimeError, "the model is gone");
    return *builder;
}

// VistrelObjReader.read(handler, name): the model, or MalformedError "LINE: text".
VALUE reader_read(VALUE, VALUE handler, VALUE name) {
    StringValue(name);
    const VALUE model = TypedData_Wrap_Struct(model_class, &model_type, nullptr);
    int state = 0;
    VALUE error = Qnil;
    bool no_memory = false;
    bool internal = false;
    {
        std::string error_text;
        try {
            auto builder = std::make_unique<ObjBuilder>(
                std::string(RSTRING_PTR(name), size_t(RSTRING_LEN(name))));
            RubyHandler ruby_handler(handler);
            vistrel_obj::parse_obj(*builder, ruby_handler);
            builder->finish();
            DATA_PTR(model) = builder.release();
        } catch (const RubyJump& jump) {
            state = jump.state;
        } catch (const vistrel_obj::ReadError& e) {
            error_text = e.what();
        } catch (const std::bad_alloc&) {
            no_memory = true;
        } catch (const std::exception& e) {
            error_text = std::string("internal error: ") + e.what();
            internal = true;
        }
        if (!error_text.empty()) error = rb_str_new(error_text.data(), long(error_text.size()));
    }
    if (state) rb_jump_tag(state);
    if (no_memory) rb_memerror();
    if (!NIL_P(error))
        rb_exc_raise(rb_exc_new_str(internal ? rb_eRuntimeError : malformed_error, error));
    return model;
}

VALUE model_triangle_count(VALUE self) {
    return LL2NUM(model_of(self).triangle_count());
}

// [[min x, y, z], [max x, y, z]] of the faces' vertices, nil without faces.
VALUE model_bounds(VALUE self) {
    const ObjBuilder& model = model_of(self);
    if (!model.has_bounds()) return Qnil;
    const auto& lo = model.min();
    const auto& hi = model.max();
    return rb_assoc_new(rb_ary_new_from_args(3, DBL2NUM(lo[0]), DBL2NUM(lo[1]), DBL2NUM(lo[2])),
                        rb_ary_new_from_args(3, DBL2NUM(hi[0]), DBL2NUM(hi[1]), DBL2NUM(hi[2])));
}

// Arrays are filled a batch at a time: the batch's values are made on the stack, where the
// collector sees them while a Float is allocated, and copied in at once.
constexpr long kBatch = 768;  // a multiple of 3

// Vertex numbers [begin, end) of values, moved down by offset.
VALUE int_array(const vistrel_obj::Array<int32_t>& values, size_t begin, size_t end,
                int32_t offset) {
    const long size = long(end - begin);
    const VALUE array = rb_ary_new_capa(size);
    VALUE batch[kBatch];
    for (long done = 0; done < size; done += kBatch) {
        const long n = std::min(kBatch, size - done);
        for (long i = 0; i < n; ++i) batch[i] = INT2FIX(values[begin + size_t(done + i)] - offset);
        rb_ary_cat(array, batch, n);
    }
    return array;
}

// Three Floats a corner of corners [begin, end): the Given values at values(corner), then zeros
// (nullptr: all zeros). A corner with the same values as the one before shares its Floats.
template <int Given, typename Values>
VALUE float_array(const vistrel_obj::Array<vistrel_obj::Corner>& corners, size_t begin, size_t end,
                  Values values) {
    const long size = 3 * long(end - begin);
    const VALUE array = rb_ary_new_capa(size);
    const VALUE zero = DBL2NUM(0.0);
    const float* last = nullptr;
    VALUE floats[3] = {zero, zero, zero};
    VALUE batch[kBatch];
    for (long done = 0; done < size; done += kBatch) {
        const long n = std::min(kBatch, size - done);
        for (long i = 0; i < n; i += 3) {
            const float* value = values(corners[begin + size_t(done + i) / 3]);
            if (value != last) {
                for (int k = 0; k < Given; ++k) floats[k] = value ? DBL2NUM(value[k]) : zero;
                last = value;
            }
            std::copy_n(floats, 3, batch + i);
        }
        rb_ary_cat(array, batch, n);
    }
    RB_GC_GUARD(floats[0]);
    return array;
}

// A part of a mesh: its triangles [first_triangle, end_triangle) use only its vertices
// [first_vertex, end_vertex), and no other triangle uses those.
struct MeshPart {
    size_t first_triangle, end_triangle;
    int32_t first_vertex, end_vertex;
};

// A large mesh goes in parts of about this many triangles where its triangles allow, so that the
// Arrays of one part are made, converted and freed before the next: they stay small, and their
// memory is used again, where the whole mesh's would be fresh memory of 8 bytes a value.
constexpr size_t kPartTriangles = 16384;

// The parts of a mesh, in order, into parts (room for triangles / kPartTriangles + 1); returns
// their number. Vertices are numbered in the order their triangles first use them, so the
// triangles before a triangle t use the vertices up to the highest number among them; the mesh
// may be cut before t when every triangle from t on uses higher numbers only. lowest has room
// for a number a triangle.
size_t parts_of(const Mesh& mesh, int32_t* lowest, MeshPart* parts) {
    const auto& numbers = mesh.triangles;
    const size_t triangles = numbers.size() / 3;
    size_t count = 0;
    MeshPart part{0, 0, 0, 0};
    if (triangles > kPartTriangles) {
        // lowest[t]: the lowest vertex number the triangles from t on use.
        int32_t low = INT32_MAX;
        for (size_t t = triangles; t-- > 0;)
            lowest[t] = low =
                std::min({low, numbers[3 * t], numbers[3 * t + 1], numbers[3 * t + 2]});
        int32_t highest = 0;  // the highest vertex number used so far
        for (size_t t = 0; t < triangles; ++t) {
            if (t - part.first_triangle >= kPartTriangles && highest < lowest[t]) {
                part.end_triangle = t;
                part.end_vertex = highest;
                parts[count++] = part;
                part = {t, 0, highest, 0};
            }
            highest = std::max({highest, numbers[3 * t], numbers[3 * t + 1], numbers[3 * t + 2]});
        }
    }
    part.end_triangle = triangles;
    part.end_vertex = int32_t(mesh.corners.size());
    parts[count++] = part;
    return count;
}

// The parts of a mesh in a String, which the collector frees however the hand-over ends.
VALUE parts_in_string(const Mesh& mesh) {
    const size_t triangles = mesh.triangles.size() / 3;
    const VALUE parts =
        rb_str_new(nullptr, long((triangles / kPartTriangles + 1) * sizeof(MeshPart)));
    const VALUE lowest = rb_str_new(nullptr, long(triangles > kPartTriangles ? triangles * 4 : 0));
    const size_t count = parts_of(mesh, reinterpret_cast<int32_t*>(RSTRING_PTR(lowest)),
                                  reinterpret_cast<MeshPart*>(RSTRING_PTR(parts)));
    rb_str_resize(lowest, 0);
    rb_str_set_len(parts, long(count * sizeof(MeshPart)));
    return parts;
}

// Freed pages are given back after a mesh of at least this many bytes of Arrays: after a smaller
// one they cost more in pages touched afresh by the next mesh than they save.
constexpr size_t kTrimBytes = size_t(8) << 20;

// Only pointers and numbers live in these frames: a Ruby exception from the block may leave
// them at once. A mesh in parts is yielded as (:mesh, ...) for its first part and (:more, ...)
// for each other, with the same material; each part's vertex numbers count from 1 within the
// part.
void hand_over_group(ObjBuilder& model, Group& group) {
    if (!group.has_faces()) return;
    rb_yield_values(2, ID2SYM(rb_intern("begin_group")),
                    rb_str_new(group.name.data(), long(group.name.size())));
    for (auto& owned : group.meshes) {
        Mesh* mesh = owned.get();
        if (mesh->triangle_count() == 0) continue;
        VALUE parts_held = parts_in_string(*mesh);
        size_t array_bytes = 0;
        const size_t part_count = size_t(RSTRING_LEN(parts_held)) / sizeof(MeshPart);
        for (size_t p = 0; p < part_count; ++p) {
            MeshPart part;
            std::memcpy(&part, RSTRING_PTR(parts_held) + p * sizeof part, sizeof part);
            const size_t begin = size_t(part.first_vertex), end = size_t(part.end_vertex);
            const VALUE vertices = LL2NUM(part.end_vertex - part.first_vertex);
            const VALUE triangles = LL2NUM(int64_t(part.end_triangle - part.first_triangle));
            using vistrel_obj::Corner;
            const VALUE vs = float_array<3>(mesh->corners, begin, end,
                                            [&](const Corner& c) { return model.position_of(c); });
            const VALUE ns = float_array<3>(mesh->corners, begin, end,
                                            [&](const Corner& c) { return model.normal_of(c); });
            const VALUE uvs = float_array<2>(mesh->corners, begin, end,
                                             [&](const Corner& c) { return model.uv_of(c); });
            const VALUE fs = int_array(mesh->triangles, 3 * part.first_triangle,
                                       3 * part.end_triangle, part.first_vertex);
            array_bytes += sizeof(VALUE) * size_t(RARRAY_LEN(vs) + RARRAY_LEN(ns) +
                                                  RARRAY_LEN(uvs) + RARRAY_LEN(fs));
            if (p + 1 == part_count) {
                mesh->release();  // Ruby's arrays hold the values now
                model.mesh_taken();
#ifdef __GLIBC__
                // Give the freed pages back before the exporter takes its copy: they would
                // otherwise stay resident beside it.
                if (array_bytes >= kTrimBytes) malloc_trim(0);
#endif
            }
            const VALUE call[] = {ID2SYM(rb_intern(p == 0 ? "mesh" : "more")),
                                  INT2NUM(mesh->material),
                                  vertices,
                                  triangles,
                                  vs,
                                  fs,
                                  ns,
                                  uvs};
            rb_yield_values2(8, call);
        }
        RB_GC_GUARD(parts_held);
    }
    for (auto& child : group.children) hand_over_group(model, *child);
    rb_yield_values(1, ID2SYM(rb_intern("end_group")));
}

// Yields (:begin_group, name), (:mesh, material, vertices, triangles, vs, fs, ns, uvs) and
// (:end_group) in the order the exporter takes them, groups without faces left out. Each mesh's
// arrays are freed here once Ruby has them, so a model is handed over once.
VALUE model_hand_over(VALUE self) {
    rb_need_block();
    ObjBuilder& model = model_of(self);
    if (model.handed_over) rb_raise(rb_eRuntimeError, "the model was handed over already");
    model.handed_over = true;
    for (auto& group : model.root().children) hand_over_group(model, *group);
    return self;
}

}  // namespace

extern "C" {
RUBY_FUNC_EXPORTED void Init_vistrel_obj_reader(void);

void Init_vistrel_obj_reader(void) {
    const VALUE reader = rb_define_module("VistrelObjReader");
    malformed_error = rb_define_class_under(reader, "MalformedError", rb_eStandardError);
    model_class = rb_define_class_under(reader, "Model", rb_cObject);
    // Held in C globals: kept where they are by the compacting collector.
    rb_gc_register_mark_object(malformed_error);
    rb_gc_register_mark_object(model_class);
    rb_undef_alloc_func(model_class);
    rb_define_module_function(reader, "read", RUBY_METHOD_FUNC(reader_read), 2);
    rb_define_method(model_class, "triangle_count", RUBY_METHOD_FUNC(model_triangle_count), 0);
    rb_define_method(model_class, "bounds", RUBY_METHOD_FUNC(model_bounds), 0);
    rb_define_method(model_class, "hand_over", RUBY_METHOD_FUNC(model_hand_over), 0);
}
}
