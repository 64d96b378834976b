// Transform statements and matrix definitions.
#include "tavScene_api_file.h"
#include "value_rules.h"

void tavScene_api_file::transform(const double* m, bool set) {
    if (!m) return;
    write_indented("%stransform %g %g %g %g %g %g %g %g %g %g %g %g %g %g %g %g\n",
                   set ? "set " : "", as_single(m[0]), as_single(m[1]), as_single(m[2]),
                   as_single(m[3]), as_single(m[4]), as_single(m[5]), as_single(m[6]),
                   as_single(m[7]), as_single(m[8]), as_single(m[9]), as_single(m[10]),
                   as_single(m[11]), as_single(m[12]), as_single(m[13]), as_single(m[14]),
                   as_single(m[15]));
}

void tavScene_api_file::scale(const double& x, const double& y, const double& z) {
    write_indented("scale %g %g %g\n", x, y, z);
}

void tavScene_api_file::rotate(const double& x, const double& y, const double& z) {
    write_indented("rotate %g %g %g\n", x, y, z);
}

void tavScene_api_file::translate(const double& x, const double& y, const double& z) {
    write_indented("translate %g %g %g\n", x, y, z);
}

void tavScene_api_file::motion(const double* m, float time) {
    write_indented("motion %g {\n", static_cast<double>(time));
    indent += 2;
    write_indented("transform ");
    write_value(PARAM_MATRIX, m);
    write_indented("\n");
    close_block();
}

bool tavScene_api_file::begin_matrix(const char* name) {
    open_named_block("#define matrix", name);
    return true;
}

void tavScene_api_file::end_matrix() {
    close_block();
}
