// What the exporter asks of the scene layers, checked with a recording writer: batches, group
// numbering, null texts, and calls made while no export is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ios>
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

// The calls of one key become one mesh: vertex numbers follow the vertices of the calls before,
// the material comes from the first call, and each call's arrays are copied. Null texts count as
// empty, and a null model names the top group "object".
TEST_F(ExporterCalls, BatchesAreJoinedPerKeyAndWrittenInByteOrder) {
    open(nullptr);
    {
        Faces first(4), middle(2, 10), last(3, 20), other(3);
        batch(first, "", 10, "first.jpg", 0.5f);
        batch(other, "brick", 9);
        batch(middle, nullptr, 10, nullptr, 1, 0);  // vertices only
        batch(other, "", 9);
        batch(other, "Brick", 9);
        batch(last, "", 10, "last.jpg", 0.25f);
        std::fill(first.vs.begin(), first.vs.end(), -8.0f);
        std::fill(last.fs.begin(), last.fs.end(), 40);
    }
    const Lines lines = close();
    EXPECT_EQ(lines.at(2), "begin_group(\"object\", 1)");
    EXPECT_EQ(matching(lines, "begin_object"),
              (Lines{"begin_object(\"Brick\", 1)", "begin_object(\"Default 10:20:30\", 1)",
                     "begin_object(\"Default 9:20:30\", 1)", "begin_object(\"brick\", 1)"}));
    Lines mesh = lines_between(lines, "begin_object(\"Default 10:20:30\", 1)", "end_object()");
    EXPECT_EQ(lines_between(mesh, "begin_array_param(\"vertices\")", "end_array_param()").at(1),
              "add_array_value(COLOR 1 0 0)");
    EXPECT_EQ(
        matching(mesh, "add_array_value(INT"),
        (Lines{"add_array_value(INT 0)", "add_array_value(INT 1)", "add_array_value(INT 2)",
               "add_array_value(INT 6)", "add_array_value(INT 7)", "add_array_value(INT 8)"}));
    EXPECT_EQ(matching(mesh, "set_param(\"texture\""),
              (Lines{"set_param(\"texture\", STRING \"first.jpg\")"}));
    EXPECT_EQ(matching(mesh, "set_param(\"alpha\""), (Lines{"set_param(\"alpha\", FLOAT 0.5)"}));
}

// Finishing an export writes its pending batches and ends its groups.
TEST_F(ExporterCalls, OpenFileWhileOpenFinishesTheOpenExport) {
    const std::string first = folder.file("first.log");
    exporter.open_file("m", first.c_str(), eye, dir, up, 45, 0, true);
    for (const char* name : {"", static_cast<const char*>(nullptr), "named"})
        exporter.begin_group(name);
    batch(Faces(3), "pending");
    open();
    exporter.begin_group("");
    const Lines written = read_lines(first);
    EXPECT_EQ(matching(written, "begin_group"),
              (Lines{"begin_group(\"m\", 1)", "begin_group(\"Group #0\", 1)",
                     "begin_group(\"Group #1\", 1)", "begin_group(\"named\", 1)"}));
    EXPECT_EQ(std::count(written.begin(), written.end(), "end_group()"), 4);
    EXPECT_EQ(matching(written, "begin_object"), (Lines{"begin_object(\"pending\", 1)"}));
}

// Before open_file, after close_file and after a failed open_file, which keeps the last
// scene's path, the calls that write are refused.
TEST_F(ExporterCalls, CallsThatWriteNeedAnOpenExport) {
    const float m[16] = {};
    auto refused = [&] {
        for (const auto& call : std::vector<std::function<void()>>{
                 [&] { exporter.add_faces(0, 0, m, nullptr, m, m, "", "", 0, 0, 0, 1); },
                 [&] { exporter.begin_group("g"); }, [&] { exporter.end_group(); },
                 [&] { exporter.transform(m); }})
            EXPECT_NE(message_of<std::logic_error>(call).find(": no export is open"),
                      std::string::npos);
    };
    refused();
    open();
    EXPECT_EQ(message_of<std::logic_error>([&] { exporter.end_group(); }),
              "end_group: no group is open");
    const Lines written = close();
    refused();
    const std::string missing = folder.file("gone/scene.vsf");
    EXPECT_THROW(exporter.open_file("m", missing.c_str(), eye, dir, up, 45, 0, true),
                 std::ios_base::failure);
    refused();
    EXPECT_EQ(exporter.get_output_path(), log);
    EXPECT_EQ(read_lines(log), written);
}

// A batch whose writing failed (this writer refuses "b" once) is not written again from what is
// left of it, and the batches after it are still written.
struct RefusingWriter : RecordingWriter {
    using RecordingWriter::RecordingWriter;
    bool begin_object(const char* name, bool in_scene) override {
        if (std::string(name) == "b" && !std::exchange(refused, true))
            throw std::runtime_error("refused");
        return RecordingWriter::begin_object(name, in_scene);
    }
    bool refused = false;
};

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

// Arrays handed over (add_faces2_keeping) are what the batch writes, not copies of them, and each
// is freed once: when its batch is written, when the call refuses it, or with the exporter.
std::vector<void*> freed;
void free_recorded(void* block) {
    freed.push_back(block);
    std::free(block);
}
template <typename T>
T* handed(const std::vector<T>& values) {
    T* block = static_cast<T*>(std::malloc(sizeof(T) * values.size()));
    std::copy(values.begin(), values.end(), block);
    return block;
}

TEST_F(ExporterCalls, HandedArraysAreKeptAndFreedOnce) {
    const Faces f(3);
    auto hand = [&](SketchupExporter& to, float* vs) {
        to.add_faces2_keeping(3, 1, vs, handed(f.fs), handed(f.ns), handed(f.uvs), "m", "", 1, 2, 3,
                              1, free_recorded);
    };
    freed.clear();
    open();
    float* vs = handed(f.vs);
    hand(exporter, vs);
    vs[0] = 7;
    EXPECT_TRUE(freed.empty());
    EXPECT_EQ(message_of<std::invalid_argument>([&] { hand(exporter, nullptr); }),
              "add_faces2: vs is missing");
    EXPECT_EQ(freed.size(), 3u);
    const Lines mesh = lines_between(close(), "begin_object(\"m\", 1)", "end_object()");
    EXPECT_EQ(lines_between(mesh, "begin_array_param(\"vertices\")", "end_array_param()").at(0),
              "add_array_value(COLOR 7 0 0)");
    EXPECT_EQ(freed.size(), 7u);
    EXPECT_EQ(std::count(freed.begin(), freed.end(), vs), 1);
    {
        RecordedExporter pending;
        hand(pending, handed(f.vs));
    }
    EXPECT_EQ(freed.size(), 11u);
}

}  // namespace
