#include "obj_parse.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <unordered_map>
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
    // The handler's answer for each material name: it gives a name the same number every time.
    std::unordered_map<std::string, int> materials;
};

Context& context(void* data) {
    return *static_cast<Context*>(data);
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}

bool number_character(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

bool all_finite(float a, float b, float c) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

// Calls word(begin, end) for each word after the keyword, up to a comment; returns their count.
template <typename Word>
int each_word(const LineStream& stream, const char* keyword, Word word) {
    const char *p, *end;
    stream.last_line(&p, &end);
    while (p < end && blank(*p)) ++p;
    p += std::strlen(keyword);
    int count = 0;
    for (;;) {
        while (p < end && blank(*p)) ++p;
        if (p == end || *p == '#') return count;
        const char* begin = p;
        while (p < end && !blank(*p)) ++p;
        word(begin, p);
        ++count;
    }
}

// tinyobjloader reads a word that is not a number as 0, or as far as it looks like one ("1,5"
// as 1): the vertex statements are checked here, so that such a file is refused, not misread.
// The words are looked at again as numbers only when a value came out infinite.
void check_numbers(const LineStream& stream, const char* keyword, int needed, bool values_finite) {
    const int count = each_word(stream, keyword, [&](const char* begin, const char* end) {
        if (std::all_of(begin, end, number_character) &&
            (values_finite ||
             std::isfinite(std::strtof(std::string(begin, end).c_str(), nullptr)))) {
            return;
        }
        throw ReadError(std::string(keyword) + ": '" + std::string(begin, end) +
                        "' is not a finite number");
    });
    if (count < needed) {
        throw ReadError(std::string(keyword) + " needs " +
                        (needed == 1 ? "at least 1 number" : "3 numbers"));
    }
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
        check_numbers(context(data).stream, "v", 3, all_finite(x, y, z));
        context(data).builder.position(x, y, z);
    };
    cb.texcoord_cb = [](void* data, float u, float v, float) {
        check_numbers(context(data).stream, "vt", 1, all_finite(u, v, 0));
        context(data).builder.uv(u, v);
    };
    cb.normal_cb = [](void* data, float x, float y, float z) {
        check_numbers(context(data).stream, "vn", 3, all_finite(x, y, z));
        context(data).builder.normal(x, y, z);
    };
    cb.index_cb = [](void* data, tinyobj::index_t* indices, int count) {
        Context& c = context(data);
        // tinyobjloader reads the words of a comment after the corners as corners of index 0.
        if (std::any_of(indices, indices + count,
                        [](const tinyobj::index_t& i) { return i.vertex_index == 0; })) {
            count = std::min(count, each_word(c.stream, "f", [](const char*, const char*) {}));
        }
        c.corners.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            c.corners[i] = {indices[i].vertex_index, indices[i].texcoord_index,
                            indices[i].normal_index};
        }
        c.builder.face(c.corners.data(), count);
    };
    cb.usemtl_cb = [](void* data, const char* name, int) {
        Context& c = context(data);
        const std::string key = trimmed(name);
        auto found = c.materials.find(key);
        if (found == c.materials.end()) {
            found = c.materials.emplace(key, c.handler.material(key, c.stream.line_number())).first;
        }
        c.builder.material(found->second);
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
    Context c{builder, handler, buffer, {}, 0, {}};
    LibraryReader libraries(c);
    try {
        tinyobj::LoadObjWithCallback(in, callbacks(), &c, &libraries);
    } catch (const ReadError& e) {
        throw ReadError(std::to_string(buffer.line_number()) + ": " + e.what());
    }
}

}  // namespace vistrel_obj
