// The Ruby extension vistrel_sketchup_plugin: the exporter and the face record, plus the float
// and int vector classes of SWIG's standard library.
//
// The classes are declared here rather than taken from the headers so that Ruby sees exactly
// the methods below, in this order, with these parameter names (the typemaps match on them).
%module vistrel_sketchup_plugin

%{
#include "Face.h"
#include "SketchupExporter.h"
%}

%include "ruby_messages.swg"
%include "ruby_type_checks.swg"

// A float argument beyond the float range is refused with RangeError, infinities included
// (SWIG lets infinities through when it can tell them apart; saying every value is finite
// restores the plain range test).
%begin %{
#define SWIG_isfinite(X) (1)
%}

// Vector classes. SWIG names one of their methods "delete"; this extension has always called
// it __delete__ (the renames must come before the library's own). Their iterators and block
// methods are this extension's own, safe against changes of the vector (map_bang keeps that
// name).
%rename("__delete__") std::vector<float>::__delete__;
%rename("__delete__") std::vector<int>::__delete__;
%include "ruby_vector_cursors.swg"
%include "ruby_vector_blocks.swg"
%vistrel_block_method_names(std::vector<float>)
%vistrel_block_method_names(std::vector<int>)
%include "std_vector.i"
// A vector operation that throws (a size beyond what a vector or the memory can hold) raises a
// RuntimeError instead of ending the process. Some actions leave by SWIG's own goto fail, so
// they cannot run inside a lambda; the raise still waits until the catch block has ended.
%exception {
  VALUE vistrel_error = Qnil;
  try {
    $action
  } catch (const std::exception &e) {
    vistrel_error = rb_exc_new_cstr(rb_eRuntimeError, e.what());
  }
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
}
// An iterator argument must point into the vector it is given to: one of another vector, or one
// left behind when the vector grew, shrank or moved, would have insert and erase work on memory
// that is not this vector's.
%{
// symbol is the wrapper's ("FloatVector_insert"); insert may take the end, erase may not.
template <class Vector>
static void vistrel_check_position(const Vector &vector, typename Vector::iterator position,
                                   const char *symbol, bool end_allowed = false) {
  const char *method = strchr(symbol, '_') + 1;
  end_allowed = end_allowed || strcmp(method, "insert") == 0;
  typename Vector::const_iterator at = position;
  if (at >= vector.begin() && (at < vector.end() || (end_allowed && at == vector.end()))) return;
  rb_raise(rb_eIndexError, "iterator is not within this vector\n\tin SWIG method '%s'", method);
}
%}
%define %vistrel_check_positions(VECTOR)
%typemap(check) VECTOR::iterator pos
  "vistrel_check_position(*arg1, $1, \"$symname\");"
%typemap(check) (VECTOR::iterator first, VECTOR::iterator last) {
  vistrel_check_position(*arg1, $1, "$symname", true);
  vistrel_check_position(*arg1, $2, "$symname", true);
  if ($2 < $1) {
    rb_raise(rb_eIndexError, "iterator range is reversed\n\tin SWIG method 'erase'");
  }
}
%enddef
// front and back of an empty vector would read memory it does not have.
%define %vistrel_nonempty(METHOD)
%exception METHOD {
  if (arg1->empty()) rb_raise(rb_eIndexError, "the vector is empty\n\tin SWIG method 'METHOD'");
  $action
}
%enddef
%vistrel_nonempty(front)
%vistrel_nonempty(back)
// A second initialize replaces the vector the object held, which would otherwise be lost.
%define %vistrel_reinitialize(VECTOR)
%exception VECTOR::vector {
  VECTOR *vistrel_previous = static_cast<VECTOR *>(DATA_PTR(self));
  VALUE vistrel_error = Qnil;
  try {
    $action
  } catch (const std::exception &e) {
    vistrel_error = rb_exc_new_cstr(rb_eRuntimeError, e.what());
  }
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
  if (vistrel_previous != DATA_PTR(self)) delete vistrel_previous;
}
%enddef
%vistrel_reinitialize(std::vector<float>)
%vistrel_reinitialize(std::vector<int>)
// unshift and insert(index, values...) return their receiver (as the block methods do): the
// object itself, not a second object over the same vector that would outlive it.
%define %vistrel_return_receiver(VECTOR)
%typemap(out) VECTOR *unshift, VECTOR *insert "$result = self;"
%enddef
%vistrel_return_receiver(std::vector<float>)
%vistrel_return_receiver(std::vector<int>)
// []= returns the value assigned, as Array#[]= does; for a slice, SWIG's own result wraps the
// converted copy of that value, which is freed when the call returns.
%typemap(out) VALUE __setitem__ "$result = argv[argc - 1];"
%vistrel_check_positions(std::vector<float>)
%vistrel_check_positions(std::vector<int>)
%vistrel_block_methods(std::vector<float>)
%vistrel_block_methods(std::vector<int>)
%template(FloatVector) std::vector<float>;
%template(IntVector) std::vector<int>;
%exception;

%include "ruby_arrays.swg"
%include "ruby_texts.swg"
%include "ruby_native_errors.swg"

// The receiver is taken again once every argument is converted (see vistrel_object_argument).
%typemap(check, noblock=1) Face *self, SketchupExporter *self {
  $1 = vistrel_object_argument< $*1_ltype >(self, $descriptor, "$1_type",
                                            vistrel_arrays::method_of("$symname"), 1);
}

// ---------------------------------------------------------------------------------------------
// Face: owns the arrays given to its constructor and setters.

%feature("freefunc") Face "vistrel_free_face";
%{
// The record's arrays were all converted by this extension, so they go with the record.
static void vistrel_free_face(void* pointer) {
    Face* face = static_cast<Face*>(pointer);
    vistrel_arrays::free_block(face->parr);
    vistrel_arrays::free_block(face->narr);
    vistrel_arrays::free_block(face->uvarr);
    vistrel_arrays::free_block(face->farr);
    delete face;
}
%}

// The record keeps the converted arrays: the setters replace (and release) what a field held,
// the constructor takes all four.
%typemap(freearg) float *parr, float *narr, float *uvarr, int *farr,
                  float *vs, int *fs, float *ns, float *uvs
  "vistrel_arrays::disown(&holder$argnum);"
%typemap(memberin) float *parr, float *narr, float *uvarr, int *farr
  "vistrel_arrays::free_block($1); $1 = $input;"

%vistrel_check_counts("Face.new")

// A second initialize replaces the record the object held.
%exception Face::Face {
  void *vistrel_previous = DATA_PTR(self);
  $action
  if (vistrel_previous) vistrel_free_face(vistrel_previous);
}

struct Face {
    int num_p;
    int num_f;
    float *parr;
    float *narr;
    float *uvarr;
    int *farr;
    char material[256];
    char texture[256];
    int r;
    int g;
    int b;
    float a;

    Face(int num_vertices, int num_faces, float *vs, int *fs, float *ns, float *uvs,
         char *material, char *texture, int r, int g, int b, float a);
    Face();
};

%exception;

// ---------------------------------------------------------------------------------------------
// SketchupExporter: every converted array is released as soon as the call returns (the
// exporter copies what it keeps), but for add_faces2's, which its batch keeps (below).

%typemap(freearg) float *vs, int *fs, float *ns, float *uvs, float *matrix,
                  float *eye, float *dir, float *up
  "vistrel_arrays::release(&holder$argnum);"

%vistrel_check_counts(vistrel_arrays::method_of("$symname"))
%typemap(check) float *eye, float *dir, float *up
  "vistrel_arrays::check_length(\"$1_name\", $1, 3, vistrel_arrays::method_of(\"$symname\"));"
%typemap(check) float *matrix
  "vistrel_arrays::check_length(\"$1_name\", $1, 16, vistrel_arrays::method_of(\"$symname\"));"

%exception {
  VALUE vistrel_error = vistrel_call_native([&]() { $action });
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
}

// add_faces2 keeps its converted arrays in its batch rather than a copy of them: the exporter
// frees them from the call on, so the holders let go of them first. The small ones are cut from
// chunks (ChunkBlocks.h), which suits memory that is all freed together when the batch is written.
%define %vistrel_batch_array(T, WIDE, NAME)
%typemap(in) T *NAME (VALUE holder = Qnil) {
  $1 = vistrel_arrays::convert_array<T, WIDE>(
      $input, &holder, "T *", "T", "$symname", $argnum,
      strcmp(vistrel_arrays::method_of("$symname"), "add_faces2") == 0);
}
%enddef
%vistrel_batch_array(float, double, vs)
%vistrel_batch_array(float, double, ns)
%vistrel_batch_array(float, double, uvs)
%vistrel_batch_array(int, long long, fs)
%exception SketchupExporter::add_faces2 {
  vistrel_arrays::disown(&holder4);
  vistrel_arrays::disown(&holder5);
  vistrel_arrays::disown(&holder6);
  vistrel_arrays::disown(&holder7);
  VALUE vistrel_error = vistrel_call_native([&]() {
    arg1->add_faces2_keeping(arg2, arg3, arg4, arg5, arg6, arg7, arg8, arg9, arg10, arg11, arg12,
                             arg13, vistrel_arrays::free_block);
  });
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
}

// The destructor closes an open export, which may throw and catch inside it (see
// vistrel_clear_stack_below), whether the collector or a second initialize destroys it.
%feature("freefunc") SketchupExporter "vistrel_free_exporter";
%{
static void vistrel_free_exporter(void *pointer) {
  delete static_cast<SketchupExporter *>(pointer);
  vistrel_clear_stack_below();
}
%}

// A second initialize replaces (and so closes) the exporter the object held.
%exception SketchupExporter::SketchupExporter {
  void *vistrel_previous = DATA_PTR(self);
  VALUE vistrel_error = vistrel_call_native([&]() { $action });
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
  if (vistrel_previous) vistrel_free_exporter(vistrel_previous);
}

class SketchupExporter {
public:
    SketchupExporter();
    ~SketchupExporter();
    void add_faces(int num_vertices, int num_faces, float *vs, int *fs, float *ns, float *uvs,
                   char *material, char *texture, int r, int g, int b, float a);
    void add_faces2(int num_vertices, int num_faces, float *vs, int *fs, float *ns, float *uvs,
                    char *material, char *texture, int r, int g, int b, float a);
    void begin_group(char *group_name);
    void transform(float *matrix);
    void end_group();
    void open_file(char *model, char *path, float *eye, float *dir, float *up, float fov,
                   float ignored, bool use_path);
    void close_file();
    void run_vistrel();
    void test();
};

%exception;

// Two descriptors' readable names list their equivalent spellings in the order this extension
// has always registered them.
%init %{
  _swigt__p_p_void.str = "void **|VALUE *";
  _swigt__p_std__vectorT_float_std__allocatorT_float_t_t.str =
      "std::vector< float > *|std::vector< float,std::allocator< float > > *";
%}

// The object tracking table that Ruby code sees: a Hash in SWIG's @__trackings__, empty since
// no class of this extension tracks its objects. (SWIG keeps its own table elsewhere.)
%init %{
  {
    ID trackings = rb_intern("@__trackings__");
    VALUE verbose = rb_gv_get("VERBOSE");
    rb_gv_set("VERBOSE", Qfalse);
    if (NIL_P(rb_ivar_get(_mSWIG, trackings))) rb_ivar_set(_mSWIG, trackings, rb_hash_new());
    rb_gv_set("VERBOSE", verbose);
  }
%}
