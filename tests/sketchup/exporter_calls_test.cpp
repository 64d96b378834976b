// What the exporter asks of the scene layers, checked with a recording writer: camera, batches,
// group numbering, and calls made while no export is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SketchupExporter.h"
#include "recording_writer.h"
#include "test_files.h"

namespace {

using Lines = std::vector<std::string>;

class RecordedExporter : public SketchupExporter {
  public:
    RecordedExporter() { writer_factory = &RecordingWriter::make; }
};

const float eye[3] = {1, 2, 3};
const float dir[3] = {0, 0, -1};
const float up[3] = {0, 1, 0};

// Faces of n vertices at x = 0, 1, 2... with normals (0, 0, 1), coordinates (x, 1, 99) and
// one triangle 1, 2, 3.
struct Faces {
    explicit Faces(int n, float x0 = 0) {
        for (int k = 0; k < n; ++k) {
            vs.insert(vs.end(), {x0 + k, 0, 0});
            ns.insert(ns.end(), {0, 0, 1});
            uvs.insert(uvs.end(), {x0 + k, 1, 99});
        }
    }
    std::vector<float> vs, ns, uvs;
    std::vector<int> fs = {1, 2, 3};
};

class ExporterCalls : public ::testing::Test {
  protected:
    void open(const char* model = "model") {
        exporter.open_file(model, log.c_str(), eye, dir, up, 45, 7, true);
    }
    void add(bool batched, const Faces& f, const char* material, int r = 0, int g = 0, int b = 0,
             const char* texture = "", float a = 1, int num_faces = 1) {
        const int n = static_cast<int>(f.vs.size() / 3);
        if (batched) {
            exporter.add_faces2(n, num_faces, f.vs.data(), f.fs.data(), f.ns.data(), f.uvs.data(),
                                material, texture, r, g, b, a);
        } else {
            exporter.add_faces(n, num_faces, f.vs.data(), f.fs.data(), f.ns.data(), f.uvs.data(),
                               material, texture, r, g, b, a);
        }
    }
    Lines close() {
        exporter.close_file();
        return read_lines(log);
    }
    static Lines matching(const Lines& lines, const std::string& prefix) {
        Lines found;
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedExporter exporter;
};

TEST_F(ExporterCalls, OpenFileWritesCameraWithAxisExchange) {
    open();
    EXPECT_EQ(exporter.get_output_path(), log);
    Lines lines = close();
    EXPECT_EQ(lines_between(lines, "begin_camera(\"last_active\")", "end_camera()"),
              (Lines{
                  "set_param(\"reflection map\", SHADER shader 1)",
                  "set_param(\"position\", VECTOR 1 2 3)",
                  "set_param(\"direction\", VECTOR 0 0 -1)",
                  "set_param(\"up\", VECTOR 0 1 0)",
                  "set_param(\"fov\", FLOAT 45)",
                  "transform([0 0 1 0 0 1 0 0 1 0 0 0 0 0 0 1], no set)",
                  "end_camera()",
              }));
    EXPECT_EQ(lines.back(), "end_group()");
}

TEST_F(ExporterCalls, BatchesAreWrittenInByteOrderOfTheirKeys) {
    open();
    exporter.begin_group("g");
    Faces f(3);
    add(true, f, "brick");
    add(true, f, "", 9, 0, 0);
    add(true, f, nullptr, 10, 0, 0);
    add(true, f, "Brick");
    add(true, f, "brick");
    exporter.end_group();  // ends the group here, after writing the batches
    EXPECT_EQ(matching(read_lines(log), "begin_object"),
              (Lines{"begin_object(\"Brick\", 1)", "begin_object(\"Default 10:0:0\", 1)",
                     "begin_object(\"Default 9:0:0\", 1)", "begin_object(\"brick\", 1)"}));
}

TEST_F(ExporterCalls, BatchJoinsCallsAndTakesMaterialFromTheFirst) {
    open();
    Faces first(4), middle(2, 10), last(3, 20);
    add(true, first, "", 10, 20, 30, "first.jpg", 0.5f);
    add(true, middle, "", 10, 20, 30, "middle.jpg", 1, 0);  // vertices only
    add(true, last, "", 10, 20, 30, "last.jpg", 0.25f);
    Lines lines = close();
    Lines mesh = lines_between(lines, "begin_object(\"Default 10:20:30\", 1)", "end_object()");
    EXPECT_EQ(std::count(mesh.begin(), mesh.end(), "add_array_value(COLOR 0 0 1)"), 9);
    EXPECT_EQ(lines_between(mesh, "begin_array_param(\"triangles\")", "end_array_param()"),
              (Lines{"add_array_value(INT 0)", "add_array_value(INT 1)", "add_array_value(INT 2)",
                     "add_array_value(INT 6)", "add_array_value(INT 7)", "add_array_value(INT 8)",
                     "end_array_param()"}));
    // The third texture coordinate never reaches the scene.
    EXPECT_EQ(std::count(mesh.begin(), mesh.end(), "add_array_value(FLOAT 99)"), 0);
    EXPECT_EQ(matching(mesh, "set_param(\"texture\""),
              (Lines{"set_param(\"texture\", STRING \"first.jpg\")"}));
    EXPECT_EQ(matching(mesh, "set_param(\"diffuse\""),
              (Lines{"set_param(\"diffuse\", COLOR 0.0392156877 0.0784313753 0.117647059)"}));
    EXPECT_EQ(matching(mesh, "set_param(\"alpha\""), (Lines{"set_param(\"alpha\", FLOAT 0.5)"}));
    EXPECT_EQ(matching(mesh, "begin_material"), (Lines{"begin_material(\"Default 10:20:30\", 1)"}));
}

TEST_F(ExporterCalls, BatchKeepsItsOwnCopyOfTheArrays) {
    open();
    {
        Faces f(3, 5);
        add(true, f, "m");
        std::fill(f.vs.begin(), f.vs.end(), -8.0f);
        std::fill(f.fs.begin(), f.fs.end(), 40);
    }
    Lines lines = close();
    Lines vertices = lines_between(lines, "begin_array_param(\"vertices\")", "end_array_param()");
    EXPECT_EQ(vertices, (Lines{"add_array_value(COLOR 5 0 0)", "add_array_value(COLOR 6 0 0)",
                               "add_array_value(COLOR 7 0 0)", "end_array_param()"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "add_array_value(INT 39)"), 0);
}

TEST_F(ExporterCalls, UnnamedGroupsAreNumberedFromZeroInEachExport) {
    const std::string first = folder.file("first.log");
    exporter.open_file("m", first.c_str(), eye, dir, up, 45, 0, true);
    exporter.begin_group("");
    exporter.begin_group(nullptr);
    exporter.end_group();
    exporter.begin_group("named");
    exporter.begin_group("");
    open();  // finishes the first export, groups and all
    exporter.begin_group("");
    EXPECT_EQ(matching(read_lines(first), "begin_group"),
              (Lines{"begin_group(\"m\", 1)", "begin_group(\"Group #0\", 1)",
                     "begin_group(\"Group #1\", 1)", "begin_group(\"named\", 1)",
                     "begin_group(\"Group #2\", 1)"}));
    EXPECT_EQ(matching(close(), "begin_group"),
              (Lines{"begin_group(\"model\", 1)", "begin_group(\"Group #0\", 1)"}));
}

TEST_F(ExporterCalls, CallsThatWriteNeedAnOpenExport) {
    const float matrix[16] = {};
    Faces f(3);
    auto expect_refused = [&](const char* stage) {
        const std::vector<std::pair<std::string, std::function<void()>>> calls = {
            {"add_faces: no export is open", [&] { add(false, f, "m"); }},
            {"begin_group: no export is open", [&] { exporter.begin_group("g"); }},
            {"end_group: no export is open", [&] { exporter.end_group(); }},
            {"transform: no export is open", [&] { exporter.transform(matrix); }},
        };
        for (const auto& [message, call] : calls) {
            try {
                call();
                ADD_FAILURE() << stage << ": nothing thrown for " << message;
            } catch (const std::logic_error& e) {
                EXPECT_EQ(e.what(), message) << stage;
            }
        }
    };
    expect_refused("before open_file");
    exporter.close_file();  // keeps its behaviour while closed

    EXPECT_THROW(
        exporter.open_file("m", folder.file("no/such/dir.vsf").c_str(), eye, dir, up, 45, 0, true),
        std::ios_base::failure);
    expect_refused("after a failed open_file");

    open();
    const Lines written = close();
    expect_refused("after close_file");
    EXPECT_EQ(read_lines(log), written);
}

TEST_F(ExporterCalls, FacesBatchedWhileClosedAreWrittenByTheNextExport) {
    Faces f(3);
    add(true, f, nullptr, 1, 2, 3, nullptr);
    exporter.close_file();  // nothing open: the batch stays
    open(nullptr);
    exporter.begin_group("g");
    exporter.end_group();
    Lines lines = close();
    EXPECT_EQ(lines.at(2), "begin_group(\"object\", 1)");
    Lines group = lines_between(lines, "begin_group(\"g\", 1)", "end_group()");
    EXPECT_EQ(matching(group, "begin_object"), (Lines{"begin_object(\"Default 1:2:3\", 1)"}));
    EXPECT_EQ(matching(group, "begin_shader"), (Lines{"begin_shader(null, \"tav_advanced\")"}));
}

TEST_F(ExporterCalls, OpenFileWhileOpenFinishesTheOpenExport) {
    const std::string second = folder.file("second.log");
    open();
    Faces f(3);
    add(true, f, "pending");
    exporter.open_file("next", second.c_str(), eye, dir, up, 45, 0, true);
    Lines first = read_lines(log);
    EXPECT_EQ(matching(first, "begin_object"), (Lines{"begin_object(\"pending\", 1)"}));
    EXPECT_EQ(first.back(), "end_group()");
    EXPECT_EQ(exporter.get_output_path(), second);
    exporter.close_file();
    EXPECT_EQ(matching(read_lines(second), "begin_object"), Lines{});
}

// A recording writer that refuses, once, to begin the object named "b".
class RefusingWriter : public RecordingWriter {
  public:
    using RecordingWriter::RecordingWriter;
    static std::unique_ptr<tavScene_api> make(FILE* stream) {
        return std::make_unique<RefusingWriter>(stream);
    }
    bool begin_object(const char* name, bool in_scene) override {
        if (std::string(name) == "b" && !refused) {
            refused = true;
            throw std::runtime_error("refused");
        }
        return RecordingWriter::begin_object(name, in_scene);
    }

  private:
    bool refused = false;
};

// Batches give up their arrays while they are written: a batch whose writing failed is not
// written again from what is left of it, and the batches after it are still written.
TEST(ExporterFlush, FailedBatchIsDroppedAndLaterBatchesStayPending) {
    struct RefusingExporter : SketchupExporter {
        RefusingExporter() { writer_factory = &RefusingWriter::make; }
    } exporter;
    TemporaryFolder folder;
    const std::string log = folder.file("calls.log");
    exporter.open_file("model", log.c_str(), eye, dir, up, 45, 0, true);
    exporter.begin_group("g");
    const Faces f(3);
    for (const char* material : {"a", "b", "c"})
        exporter.add_faces2(3, 1, f.vs.data(), f.fs.data(), f.ns.data(), f.uvs.data(), material, "",
                            0, 0, 0, 1);
    EXPECT_THROW(exporter.end_group(), std::runtime_error);
    exporter.close_file();
    Lines objects;
    for (const std::string& line : read_lines(log))
        if (line.rfind("begin_object", 0) == 0) objects.push_back(line);
    EXPECT_EQ(objects, (Lines{"begin_object(\"a\", 1)", "begin_object(\"c\", 1)"}));
}

}  // namespace
