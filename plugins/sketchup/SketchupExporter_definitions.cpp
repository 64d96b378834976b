// Definitions: content written once as a "#define group" block and placed many times by
// instance lines.
//
// A definition stands directly in the scene's top group, before its first placement, so every
// placement anywhere in the scene (inside groups, inside later definitions) comes after it. While
// it is open, the exporter's own calls write into it: add_faces2 batches go to batches of its
// own, written when it ends, and those pending outside wait until then.
#include <stdexcept>

#include "SketchupExporter.h"

namespace {

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

}  // namespace

void SketchupExporter::begin_definition(const char* name) {
    require_open("begin_definition");
    const std::string definition = name ? name : "";
    if (defining())
        throw std::logic_error("begin_definition: definition " + quoted(open_definition) +
                               " is open; definitions do not nest");
    if (open_groups > 0)
        throw std::logic_error(
            "begin_definition: a group is open; definitions stand at the top level of the scene");
    if (definition.empty()) throw std::logic_error("begin_definition: a definition needs a name");
    if (definitions.count(definition))
        throw std::logic_error("begin_definition: " + quoted(definition) + " is already defined");
    get_writer()->begin_group(definition.c_str(), false);
    open_definition = definition;
    outer_batches.swap(batches);
}

void SketchupExporter::end_definition() {
    require_open("end_definition");
    if (!defining()) throw std::logic_error("end_definition: no definition is open");
    if (open_groups > 0)
        throw std::logic_error("end_definition: a group begun in definition " +
                               quoted(open_definition) + " is still open");
    flush_batches();
    get_writer()->end_group();
    batches.swap(outer_batches);
    outer_batches.clear();
    definitions.insert(open_definition);
    open_definition.clear();
}

void SketchupExporter::place_definition(const char* name, const char* group_name,
                                        const float* matrix) {
    require_open("place_definition");
    const std::string definition = name ? name : "";
    if (defining() && definition == open_definition)
        throw std::logic_error("place_definition: definition " + quoted(definition) +
                               " is still open");
    if (!definitions.count(definition))
        throw std::logic_error("place_definition: " + quoted(definition) + " is not defined");
    if (!matrix) throw std::invalid_argument("place_definition: matrix is missing");
    begin_group(group_name);
    transform(matrix);
    get_writer()->instance(definition.c_str());
    close_group();
    --open_groups;
}

std::string SketchupExporter::end_open_definition() {
    if (!defining()) return "";
    const std::string name = open_definition;
    // As close_file does: pending batches go into the innermost open group.
    flush_batches();
    for (; open_groups > 0; --open_groups) close_group();
    end_definition();
    return name;
}

void SketchupExporter::forget_definitions() {
    definitions.clear();
    open_definition.clear();
    outer_batches.clear();
}
