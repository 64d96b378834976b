// What the exporter asks of the scene layers, checked with a recording writer: batches, group
// numbering, and calls made while no export is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "SketchupExporter.h"
#include "exporter_test_support.h"
#include "recording_writer.h"
#include "test_files.h"

namespace {

using Lines = std::vector<std::string>;

const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};

// n vertices at x = x0, x0 + 1... and one triangle 1, 2, 3.
struct Faces {
    explicit Faces(int n, float x0 = 0) : ns(3 * n), uvs(3 * n) {
        for (int k = 0; k < n; ++k) vs.insert(vs.end(), {x0 + k, 0, 0});
    }
    std::vector<float> vs, ns, uvs;
    std::vector<int> fs = {1, 2, 3};
};

Lines matching(const Lines& lines, const std::string& prefix) {
    Lines found;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

// An exporter whose scenes go to a recording writer, or to another writer a test chooses.
struct RecordedExporter : SketchupExporter {
    RecordedExporter() { writer_factory = &RecordingWriter::make; }
    void use_writer(WriterFactory factory) { writer_factory = factory; }
};

class ExporterCalls : public ::testing::Test {
  protected:
    void open(const char* model = "model") {
        exporter.open_file(model, log.c_str(), eye, dir, up, 45, 7, true);
    }
    // Batches the faces (add_faces2) with the given material, colour, texture and opacity.
    void batch(const Faces& f, const char* material, int r = 0, const char* texture = "",
               float a = 1, int num_faces = 1) {
        exporter.add_faces2(static_cast<int>(f.vs.size() / 3), num_faces, f.vs.data(), f.fs.data(),
                            f.ns.data(), f.uvs.data(), material, texture, r, 20, 30, a);
    }
    Lines close() {
        exporter.close_file();
        return read_lines(log);
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedExporter exporter;
};

TEST_F(ExporterCalls, BatchesAreWrittenInByteOrderOfTheirKeys) {
    open();
    exporter.begin_group("g");
    Faces f(3);
    for (const char* material : {"brick", "", static_cast<const char*>(nullptr), "Brick", "brick"})
        batch(f, material, material ? 9 : 10);
    exporter.end_group();  // writes the batches
    EXPECT_EQ(matching(read_lines(log), "begin_object"),
              (Lines{"begin_object(\"Brick\", 1)", "begin_object(\"Default 10:20:30\", 1)",
                     "begin_object(\"Default 9:20:30\", 1)", "begin_object(\"brick\", 1)"}));
}

// The calls of one key become one mesh: vertex numbers follow the vertices of the calls
// before, the material comes from the first call, and each call's arrays are copied.
TEST_F(ExporterCalls, BatchJoinsCallsAndTakesMaterialFromTheFirst) {
    open();
    {
        Faces first(4), middle(2, 10), last(3, 20);
        batch(first, "", 10, "first.jpg", 0.5f);
        batch(middle, "", 10, "middle.jpg", 1, 0);  // vertices only
        batch(last, "", 10, "last.jpg", 0.25f);
        std::fill(first.vs.begin(), first.vs.end(), -8.0f);
        std::fill(last.fs.begin(), last.fs.end(), 40);
    }
    Lines mesh = lines_between(close(), "begin_object(\"Default 10:20:30\", 1)", "end_object()");
    EXPECT_EQ(lines_between(mesh, "begin_array_param(\"vertices\")", "end_array_param()").at(1),
              "add_array_value(COLOR 1 0 0)");
    EXPECT_EQ(lines_between(mesh, "begin_array_param(\"triangles\")", "end_array_param()"),
              (Lines{"add_array_value(INT 0)", "add_array_value(INT 1)", "add_array_value(INT 2)",
                     "add_array_value(INT 6)", "add_array_value(INT 7)", "add_array_value(INT 8)",
                     "end_array_param()"}));
    EXPECT_EQ(matching(mesh, "set_param(\"texture\""),
              (Lines{"set_param(\"texture\", STRING \"first.jpg\")"}));
    EXPECT_EQ(matching(mesh, "set_param(\"diffuse\""),
              (Lines{"set_param(\"diffuse\", COLOR 0.0392156877 0.0784313753 0.117647059)"}));
    EXPECT_EQ(matching(mesh, "set_param(\"alpha\""), (Lines{"set_param(\"alpha\", FLOAT 0.5)"}));
}

// Finishing an export writes its pending batches and ends its groups; the next export numbers
// its unnamed groups from zero again.
TEST_F(ExporterCalls, OpenFileWhileOpenFinishesTheOpenExport) {
    const std::string first = folder.file("first.log");
    exporter.open_file("m", first.c_str(), eye, dir, up, 45, 0, true);
    for (const char* name : {"", static_cast<const char*>(nullptr), "named", ""})
        exporter.begin_group(name);
    batch(Faces(3), "pending");
    open();
    exporter.begin_group("");
    const Lines written = read_lines(first);
    EXPECT_EQ(matching(written, "begin_group"),
              (Lines{"begin_group(\"m\", 1)", "begin_group(\"Group #0\", 1)",
                     "begin_group(\"Group #1\", 1)", "begin_group(\"named\", 1)",
                     "begin_group(\"Group #2\", 1)"}));
    EXPECT_EQ(std::count(written.begin(), written.end(), "end_group()"), 5);
    EXPECT_EQ(matching(written, "begin_object"), (Lines{"begin_object(\"pending\", 1)"}));
    EXPECT_EQ(exporter.get_output_path(), log);
    const Lines second = close();
    EXPECT_EQ(matching(second, "begin_group"),
              (Lines{"begin_group(\"model\", 1)", "begin_group(\"Group #0\", 1)"}));
    EXPECT_EQ(matching(second, "begin_object"), Lines{});
}

TEST_F(ExporterCalls, CallsThatWriteNeedAnOpenExport) {
    const float matrix[16] = {};
    const Faces f(3);
    auto refusals = [&] {
        return Lines{message_of<std::logic_error>([&] {
                         exporter.add_faces(3, 1, f.vs.data(), f.fs.data(), f.ns.data(),
                                            f.uvs.data(), "m", "", 0, 0, 0, 1);
                     }),
                     message_of<std::logic_error>([&] { exporter.begin_group("g"); }),
                     message_of<std::logic_error>([&] { exporter.end_group(); }),
                     message_of<std::logic_error>([&] { exporter.transform(matrix); })};
    };
    const Lines refused = {"add_faces: no export is open", "begin_group: no export is open",
                           "end_group: no export is open", "transform: no export is open"};
    EXPECT_EQ(refusals(), refused) << "before open_file";
    exporter.close_file();  // closing nothing is fine
    EXPECT_THROW(
        exporter.open_file("m", folder.file("no/such/dir.vsf").c_str(), eye, dir, up, 45, 0, true),
        std::ios_base::failure);
    EXPECT_EQ(refusals(), refused) << "after a failed open_file";

    open();
    EXPECT_EQ(message_of<std::logic_error>([&] { exporter.end_group(); }),
              "end_group: no group is open");
    const Lines written = close();
    EXPECT_EQ(refusals(), refused) << "after close_file";
    EXPECT_EQ(read_lines(log), written);
}

// add_faces2 only records, so faces batched while closed go to the next export; null texts
// count as empty, and a null model names the top group "object".
TEST_F(ExporterCalls, FacesBatchedWhileClosedAreWrittenByTheNextExport) {
    batch(Faces(3), nullptr, 1, nullptr);
    exporter.close_file();
    open(nullptr);
    exporter.begin_group("g");
    exporter.end_group();
    Lines lines = close();
    EXPECT_EQ(lines.at(2), "begin_group(\"object\", 1)");
    Lines group = lines_between(lines, "begin_group(\"g\", 1)", "end_group()");
    EXPECT_EQ(matching(group, "begin_object"), (Lines{"begin_object(\"Default 1:20:30\", 1)"}));
    EXPECT_EQ(matching(group, "begin_shader"), (Lines{"begin_shader(null, \"tav_advanced\")"}));
}

// A recording writer that refuses, once, to begin the object named "b".
struct RefusingWriter : RecordingWriter {
    using RecordingWriter::RecordingWriter;
    bool begin_object(const char* name, bool in_scene) override {
        if (std::string(name) == "b" && !std::exchange(refused, true))
            throw std::runtime_error("refused");
        return RecordingWriter::begin_object(name, in_scene);
    }
    bool refused = false;
};

// Batches give up their arrays while they are written: a batch whose writing failed is not
// written again from what is left of it, and the batches after it are still written.
TEST_F(ExporterCalls, FailedBatchIsDroppedAndLaterBatchesStayPending) {
    exporter.use_writer([](FILE* stream) -> std::unique_ptr<tavScene_api> {
        return std::make_unique<RefusingWriter>(stream);
    });
    open();
    exporter.begin_group("g");
    for (const char* material : {"a", "b", "c"}) batch(Faces(3), material);
    EXPECT_THROW(exporter.end_group(), std::runtime_error);
    EXPECT_EQ(matching(close(), "begin_object"),
              (Lines{"begin_object(\"a\", 1)", "begin_object(\"c\", 1)"}));
}

}  // namespace
