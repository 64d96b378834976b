// The companion extension vistrel_instancing: definitions written once and placed many times,
// on the exporter objects of vistrel_sketchup_plugin, whose surface stays as it is.
//
// Its functions take a Vistrel_sketchup_plugin::SketchupExporter as their first argument. The
// two extensions share SWIG's runtime type table (same runtime version, default table name),
// so this one knows the exporter's class and reaches its native object. Both must come from
// the same build: this one runs its own copy of the exporter's code on that object.
%module vistrel_instancing

%{
#include "SketchupExporter.h"

static void begin_definition(SketchupExporter *exporter, const char *name) {
  exporter->begin_definition(name);
}
static void end_definition(SketchupExporter *exporter) { exporter->end_definition(); }
static void place_definition(SketchupExporter *exporter, const char *name,
                             const char *group_name, const float *matrix) {
  exporter->place_definition(name, group_name, matrix);
}
%}

%begin %{
#define VISTREL_MODULE_FUNCTIONS
%}

%include "ruby_messages.swg"
%include "ruby_type_checks.swg"
%include "ruby_arrays.swg"
%include "ruby_texts.swg"
%include "ruby_native_errors.swg"

// The exporter's extension is loaded first (by name, unless it is loaded already, as a package
// loads it by its path), so that its class is the one this extension's type table joins.
%runtime %{
#undef SWIG_InitRuntime
#define SWIG_InitRuntime() vistrel_load_exporter_first()
SWIGINTERN void vistrel_load_exporter_first() {
  if (!rb_const_defined(rb_cObject, rb_intern("Vistrel_sketchup_plugin")))
    rb_require("vistrel_sketchup_plugin");
  SWIG_Ruby_InitRuntime();
}
%}
// An exporter whose class this extension cannot see was built with another SWIG runtime: its
// objects would be refused as exporters.
%init %{
  if (!SWIGTYPE_p_SketchupExporter->clientdata)
    rb_raise(rb_eLoadError, "vistrel_instancing: Vistrel_sketchup_plugin::SketchupExporter "
                            "does not share this extension's SWIG runtime");
%}

%typemap(check, noblock=1) SketchupExporter *exporter {
  $1 = vistrel_object_argument<SketchupExporter>(argv[$argnum - 1], $descriptor, "$1_type",
                                                 "$symname", $argnum);
}
%typemap(freearg) float *matrix "vistrel_arrays::release(&holder$argnum);"
%typemap(check) float *matrix
  "vistrel_arrays::check_length(\"$1_name\", $1, 16, \"$symname\");"

%exception {
  VALUE vistrel_error = vistrel_call_native([&]() { $action });
  if (!NIL_P(vistrel_error)) vistrel_raise_native(vistrel_error);
}

class SketchupExporter;

void begin_definition(SketchupExporter *exporter, char *name);
void end_definition(SketchupExporter *exporter);
void place_definition(SketchupExporter *exporter, char *name, char *group_name, float *matrix);
