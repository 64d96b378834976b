#include "obj_parse.h"

#include <tiny_obj_loader.h>

#include <istream>
#include <vector>

#include "line_stream.h"

namespace vistrel_obj {

namespace {

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

struct Context {
    ObjBuilder& builder;
    ParseHandler& handler;
    LineStream& stream;
    std::vector<RawCorner> corners;
    int64_t library_line = 0;
};

Context& context(void* data) {
    return *static_cast<Context*>(data);
}

// mtllib goes to the handler whole: tinyobjloader splits its names at blanks and reads
// backslashes as escapes, where files made on Windows mean folder separators.
class LibraryReader : public tinyobj::MaterialReader {
  public:
    explicit LibraryReader(Context& context) : context_(context) {}
    bool operator()(const std::string&, std::vector<tinyobj::material_t>*,
                    std::map<std::string, int>*, std::string*, std::string*) override {
        const int64_t line = context_.stream.line_number();
        if (line == context_.library_line) return true;  // asked again for the line's next name
        context_.library_line = line;
        std::string rest = trimmed(context_.stream.last_line());
        rest = trimmed(rest.substr(rest.find_first_of(" \t") + 1));
        context_.handler.material_library(rest, line);
        return true;
    }

  private:
    Context& context_;
};

tinyobj::callback_t callbacks() {
    tinyobj::callback_t cb;
    cb.vertex_cb = [](void* data, float x, float y, float z, float) {
        context(data).builder.position(x, y, z);
    };
    cb.texcoord_cb = [](void* data, float u, float v, float) { context(data).builder.uv(u, v); };
    cb.normal_cb = [](void* data, float x, float y, float z) {
        context(data).builder.normal(x, y, z);
    };
    cb.index_cb = [](void* data, tinyobj::index_t* indices, int count) {
        Context& c = context(data);
        c.corners.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            c.corners[i] = {indices[i].vertex_index, indices[i].texcoord_index,
                            indices[i].normal_index};
        }
        c.builder.face(c.corners.data(), count);
    };
    cb.usemtl_cb = [](void* data, const char* name, int) {
        Context& c = context(data);
        c.builder.material(c.handler.material(trimmed(name), c.stream.line_number()));
    };
    cb.group_cb = [](void* data, const char** names, int count) {
        std::string name;
        for (int i = 0; i < count; ++i) name += (i ? " " : "") + std::string(names[i]);
        context(data).builder.group(name);
    };
    cb.object_cb = [](void* data, const char* name) {
        context(data).builder.object(trimmed(name));
    };
    return cb;
}

}  // namespace

void parse_obj(ObjBuilder& builder, ParseHandler& handler) {
    LineStream buffer([&handler](std::string& text) { return handler.read_chunk(text); });
    std::istream in(&buffer);
    in.exceptions(std::ios::badbit);  // the handler's exceptions go on, not just a bad bit
    Context c{builder, handler, buffer, {}, 0};
    LibraryReader libraries(c);
    try {
        tinyobj::LoadObjWithCallback(in, callbacks(), &c, &libraries);
    } catch (const ReadError& e) {
        throw ReadError(std::to_string(buffer.line_number()) + ": " + e.what());
    }
}

}  // namespace vistrel_obj
