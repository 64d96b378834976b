#include "obj_parse.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <unordered_map>
#include <vector>

#include "build_queue.h"
#include "line_stream.h"

namespace vistrel_obj {

namespace {

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

struct Context {
    BuildQueue& builder;
    ParseHandler& handler;
    LineStream& stream;
    // Positions, texture coordinates and normals read so far: faces' indices are resolved here.
    int64_t counts[3] = {0, 0, 0};
    int64_t library_line = 0;
    // The handler's answer for each material name: it gives a name the same number every time.
    std::unordered_map<std::string, int> materials;
};

// Refuses a face's index of the kind (0 vertex, 1 texture coordinate, 2 normal), as written.
[[noreturn]] void refuse_index(const Context& c, int kind, const std::string& index) {
    static const char* const names[][2] = {{"vertex", "vertices"},
                                           {"texture coordinate", "texture coordinates"},
                                           {"normal", "normals"}};
    throw ReadError(std::string(names[kind][0]) + " index " + index + " out of range (" +
                    std::to_string(c.counts[kind]) + " " + names[kind][1] + " defined so far)");
}

// The 0-based index of a 1-based one, or of a negative one counting back.
int32_t resolve(const Context& c, int index, int kind) {
    const int64_t resolved = index < 0 ? c.counts[kind] + index : index - 1LL;
    if (index == 0 || resolved < 0 || resolved >= c.counts[kind]) {
        refuse_index(c, kind, std::to_string(index));
    }
    return static_cast<int32_t>(resolved);
}

Context& context(void* data) {
    return *static_cast<Context*>(data);
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}

// A word of the line for a message, which cannot carry a NUL.
std::string text_of(const char* begin, const char* end) {
    std::string text(begin, end);
    std::replace(text.begin(), text.end(), '\0', '?');
    return text;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// [+-] digits [. digits] or [+-] . digits, then an optional exponent e [+-] digits: the numbers
// tinyobjloader reads in full. It reads the start of anything else ("1-2" as 1, "-" as 0).
bool is_number(const char* p, const char* end) {
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* digits = p;
    while (p < end && digit(*p)) ++p;
    size_t count = size_t(p - digits);
    if (p < end && *p == '.') {
        digits = ++p;
        while (p < end && digit(*p)) ++p;
        count += size_t(p - digits);
    }
    if (count == 0) return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        digits = p;
        while (p < end && digit(*p)) ++p;
        if (p == digits) return false;
    }
    return p == end;
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
    p = std::min(p + std::strlen(keyword), end);
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
        if (is_number(begin, end) &&
            (values_finite ||
             std::isfinite(std::strtof(std::string(begin, end).c_str(), nullptr)))) {
            return;
        }
        throw ReadError(std::string(keyword) + ": '" + text_of(begin, end) +
                        "' is not a finite number");
    });
    if (count < needed) {
        throw ReadError(std::string(keyword) + " needs " +
                        (needed == 1 ? "at least 1 number" : "3 numbers"));
    }
}

// A corner is v, v/vt, v//vn or v/vt/vn, each index a whole number that fits an int, which is
// what tinyobjloader reads right; it reads "2.5" as 2, "3x" as 3, 4294967297 as 1, and a NUL
// as the end of the line.
void check_corner(const Context& c, const char* begin, const char* end) {
    const char* p = begin;
    for (int kind = 0; kind < 3; ++kind) {
        const char* number = p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-')) ++p;
        while (p < end && *p == '0' && p + 1 < end && digit(p[1])) ++p;
        const char* digits = p;
        int64_t value = 0;
        while (p < end && digit(*p) && p - digits <= 10) value = 10 * value + (*p++ - '0');
        const bool left_out = kind == 1 && p == number && p < end && *p == '/';  // v//vn
        if ((p == digits && !left_out) || (p < end && *p != '/' && !digit(*p))) break;
        if (p < end && digit(*p)) {  // more than 10 digits
            while (p < end && digit(*p)) ++p;
            if (p < end && *p != '/') break;
            value = INT64_MAX;
        }
        if (value > (negative ? 2147483648LL : 2147483647LL)) {
            refuse_index(c, kind, std::string(number, p));
        }
        if (p == end) return;
        ++p;  // the slash
        if (kind == 2) break;
    }
    throw ReadError("f: '" + text_of(begin, end) +
                    "' is not a corner (whole-number indices v, v/vt, v//vn or v/vt/vn)");
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
        Context& c = context(data);
        check_numbers(c.stream, "v", 3, all_finite(x, y, z));
        c.builder.position(x, y, z);
        ++c.counts[0];
    };
    cb.texcoord_cb = [](void* data, float u, float v, float) {
        Context& c = context(data);
        check_numbers(c.stream, "vt", 1, all_finite(u, v, 0));
        c.builder.uv(u, v);
        ++c.counts[1];
    };
    cb.normal_cb = [](void* data, float x, float y, float z) {
        Context& c = context(data);
        check_numbers(c.stream, "vn", 3, all_finite(x, y, z));
        c.builder.normal(x, y, z);
        ++c.counts[2];
    };
    cb.index_cb = [](void* data, tinyobj::index_t* indices, int count) {
        Context& c = context(data);
        // tinyobjloader reads the words of a comment after the corners as corners of index 0.
        count = std::min(count, each_word(c.stream, "f", [&](const char* begin, const char* end) {
                             check_corner(c, begin, end);
                         }));
        if (count < 3) {
            throw ReadError("f needs at least 3 vertices, got " + std::to_string(count));
        }
        Corner* corners = c.builder.face(count);
        for (int i = 0; i < count; ++i) {
            const tinyobj::index_t& index = indices[i];
            corners[i].position = resolve(c, index.vertex_index, 0);
            corners[i].uv = index.texcoord_index == 0 ? -1 : resolve(c, index.texcoord_index, 1);
            corners[i].normal =
                index.normal_index == 0 ? kNoNormal : resolve(c, index.normal_index, 2);
        }
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
    BuildQueue queue(builder);
    Context c{queue, handler, buffer, {0, 0, 0}, 0, {}};
    LibraryReader libraries(c);
    try {
        tinyobj::LoadObjWithCallback(in, callbacks(), &c, &libraries);
    } catch (const ReadError& e) {
        throw ReadError(std::to_string(buffer.line_number()) + ": " + e.what());
    }
    queue.finish();
}

}  // namespace vistrel_obj
