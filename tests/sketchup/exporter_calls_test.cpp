// What the exporter asks of the scene layers, checked with a recording writer against the
// expected call logs in data/: batches, group numbering, null texts, a failed batch, and calls
// made while no export is open.
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

#include "exporter_test_support.h"
#include "recording_writer.h"

namespace {

// n vertices at x = x0, x0 + 1... and one triangle 1, 2, 3.
struct Faces {
    explicit Faces(int n, float x0 = 0) : ns(3 * n), uvs(3 * n) {
        for (int k = 0; k < n; ++k) vs.insert(vs.end(), {x0 + k, 0, 0});
    }
    std::vector<float> vs, ns, uvs;
    std::vector<int> fs = {1, 2, 3};
};

struct RecordedExporter : SketchupExporter {
    RecordedExporter() { writer_factory = &RecordingWriter::make; }
    void use_writer(WriterFactory factory) { writer_factory = factory; }
};

class ExporterCalls : public ::testing::Test {
  protected:
    void open(const char* model = "model") { open_export(exporter, log, model); }
    // Batches the faces (add_faces2) with the given material, colour, texture and opacity.
    void batch(const Faces& f, const char* material, int r = 0, const char* texture = "",
               float a = 1, int num_faces = 1) {
        exporter.add_faces2(static_cast<int>(f.vs.size() / 3), num_faces, f.vs.data(), f.fs.data(),
                            f.ns.data(), f.uvs.data(), material, texture, r, 20, 30, a);
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedExporter exporter;
};

// The calls of one key become one mesh: vertex numbers follow the vertices of the calls before,
// the material comes from the first call, and each call's arrays are copied. Keys are written in
// byte order; null texts count as empty, and a null model names the top group "object".
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
    exporter.close_file();
    EXPECT_EQ(read_file(log), golden("joined_batches.txt"));
}

// Finishing an export writes its pending batches and ends its groups, numbered or named.
TEST_F(ExporterCalls, OpenFileWhileOpenFinishesTheOpenExport) {
    const std::string first = folder.file("first.log");
    open_export(exporter, first);
    for (const char* name : {"", static_cast<const char*>(nullptr), "named"})
        exporter.begin_group(name);
    batch(Faces(3), "pending");
    open();
    exporter.begin_group("");
    EXPECT_EQ(read_file(first), golden("finished_by_open.txt"));
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
    exporter.close_file();
    const std::string written = read_file(log);
    refused();
    const std::string missing = folder.file("gone/scene.vsf");
    EXPECT_THROW(open_export(exporter, missing), std::ios_base::failure);
    refused();
    EXPECT_EQ(exporter.get_output_path(), log);
    EXPECT_EQ(read_file(log), written);
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
    exporter.close_file();
    EXPECT_EQ(read_file(log), golden("failed_batch.txt"));
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
    exporter.close_file();
    const std::string calls = read_file(log);
    const auto vertices = calls.find("begin_array_param(\"vertices\")");
    ASSERT_NE(vertices, std::string::npos);
    EXPECT_EQ(calls.compare(calls.find('\n', vertices) + 1, 29, "add_array_value(COLOR 7 0 0)\n"),
              0);
    EXPECT_EQ(freed.size(), 7u);
    EXPECT_EQ(std::count(freed.begin(), freed.end(), vs), 1);
    {
        RecordedExporter pending;
        hand(pending, handed(f.vs));
    }
    EXPECT_EQ(freed.size(), 11u);
}

}  // namespace
