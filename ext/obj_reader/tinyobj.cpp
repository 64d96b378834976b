// tinyobjloader's implementation, compiled here from its header rather than linked, so that
// every build (the cross builds too) carries the same reader.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
