// The object the modeller's scripts drive to export one model into one scene file.
//
// Errors are standard exceptions: std::ios_base::failure for output that cannot be opened,
// written or closed (its message names the path and the OS error), std::logic_error for calls
// made while no export is open, std::runtime_error for a renderer that cannot be located or
// started.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Face.h"
#include "KeptArray.h"
#include "SceneBuilder.h"

class SketchupExporter : public SceneBuilder {
  public:
    SketchupExporter();
    // Closes an export that is still open; what was written stays on disk.
    ~SketchupExporter();

    // eye, dir and up hold at least 3 floats. With use_path false the output is a new file in
    // the temporary folder and path is ignored. An export already open is finished first.
    void open_file(const char* model, const char* path, const float* eye, const float* dir,
                   const float* up, float fov, float ignored, bool use_path);
    void close_file();
    // matrix holds 16 floats, row-major.
    void transform(const float* matrix);

    // vs, ns and uvs hold 3 * num_vertices floats and fs 3 * num_faces ints.
    void add_faces(int num_vertices, int num_faces, const float* vs, const int* fs, const float* ns,
                   const float* uvs, const char* material, const char* texture, int r, int g, int b,
                   float a);
    // Records the faces under their material key; the exporter keeps its own copy of the data.
    void add_faces2(int num_vertices, int num_faces, const float* vs, const int* fs,
                    const float* ns, const float* uvs, const char* material, const char* texture,
                    int r, int g, int b, float a);
    // add_faces2 for arrays the caller hands over instead of lending: the batch keeps them
    // rather than a copy and frees them with release, from this call on (also when it throws).
    // Each holds at least what add_faces2 reads; all of it is kept until the batch is written.
    void add_faces2_keeping(int num_vertices, int num_faces, float* vs, int* fs, float* ns,
                            float* uvs, const char* material, const char* texture, int r, int g,
                            int b, float a, KeptArray<float>::Release release);
    void begin_group(const char* group_name);
    void end_group();
    void flush_batches();

    // Definitions (SketchupExporter_definitions.cpp): a "#define group" block written once,
    // directly in the scene's top group, and placed any number of times by an instance line in
    // a group of its own. Between begin_definition and end_definition the calls above build the
    // definition's content as they build a group's. Misuse throws std::logic_error.
    void begin_definition(const char* name);
    void end_definition();
    // A group named group_name (numbered when empty, as begin_group does) holding the transform
    // (16 floats, row-major) and an instance of the definition; pending batches stay pending.
    void place_definition(const char* name, const char* group_name, const float* matrix);

    // Starts the renderer on the last export's scene file without waiting for it.
    void run_vistrel();
    // Writes a scene with one textured square to a new vistrel_test.vsf in the temporary folder,
    // replacing whatever is there (a link is removed, never followed); its texture is
    // vistrel_test.jpg in the same folder.
    void test();

    const std::string& get_output_path() const { return output_path; }

  private:
    // One add_faces2 call: its record, and its arrays (copies, or handed over) already in the
    // form they are written in: texture coordinates as (u, v) pairs, vertex numbers from 0 and
    // following the vertices of the batch's calls before. The record's own array pointers are
    // not used.
    struct BatchedFaces {
        Face face;
        KeptArray<float> positions;
        KeptArray<float> normals;
        KeptArray<float> uvs;
        KeptArray<int> vertex_numbers;
    };
    // The calls of one key, and the number of vertices they hold (wrapping as 32-bit indices).
    struct Batch {
        std::vector<BatchedFaces> calls;
        unsigned vertex_count = 0;
    };
    void add_batched(BatchedFaces call, int num_vertices, int num_faces, const char* material,
                     const char* texture, int r, int g, int b, float a);

    // is_open, in the process that opened the export: a forked child finds it closed, with no
    // groups or batches of the parent's pending.
    bool export_open();
    void require_open(const char* operation);
    void write_batch(const std::string& key, std::vector<BatchedFaces>& calls);
    // Ends a definition left open (and the groups begun in it) so that the scene stays whole;
    // returns its name, empty when none was open.
    std::string end_open_definition();
    void forget_definitions();

    int group_counter = 0;
    // Groups begun and not yet ended in the open export: an extra end_group would close the top
    // group, and close_file ends the ones left open, so that every file it completes is whole.
    int open_groups = 0;
    std::string output_path;
    long export_process = 0;  // the process that opened the export; 0 when none is open
    // output_path as it was reached from the folder current at open_file, for the renderer,
    // which starts in a folder of its own.
    std::string absolute_output_path;
    // Keyed by material; std::string orders keys byte-wise as unsigned chars.
    std::map<std::string, Batch> batches;

    // The definitions the open export has written, by name.
    std::set<std::string> definitions;
    // The name of the definition open now; empty when none is (names are never empty).
    std::string open_definition;
    bool defining() const { return !open_definition.empty(); }
    // The batches pending outside the open definition, set aside until it ends.
    std::map<std::string, Batch> outer_batches;
};
