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

// A float argument beyond the float range is refused with RangeError, infinities included
// (SWIG lets infinities through when it can tell them apart; saying every value is finite
// restores the plain range test).
%begin %{
#define SWIG_isfinite(X) (1)
%}

// Vector classes. SWIG names two of their methods "map!" and "delete"; this extension has
// always called them map_bang and __delete__ (the renames must come before the library's own).
%rename("map_bang") std::vector<float>::map_bang;
%rename("__delete__") std::vector<float>::__delete__;
%rename("map_bang") std::vector<int>::map_bang;
%rename("__delete__") std::vector<int>::__delete__;
%include "std_vector.i"
%template(FloatVector) std::vector<float>;
%template(IntVector) std::vector<int>;

%include "ruby_arrays.swg"
%include "ruby_texts.swg"
%include "ruby_native_errors.swg"

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
// exporter copies what it keeps).

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

// A second initialize replaces (and so closes) the exporter the object held.
%exception SketchupExporter::SketchupExporter {
  SketchupExporter *vistrel_previous = static_cast<SketchupExporter *>(DATA_PTR(self));
  VALUE vistrel_error = vistrel_call_native([&]() { $action });
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
  delete vistrel_previous;
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
