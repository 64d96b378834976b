// Definitions and their placements. A "#define group" or "#define object" block is written once
// and not shown where it stands; each `instance "name"` line shows it again, placed by the
// transforms of the groups that hold the line. Definitions may place earlier definitions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "scene_meshes.h"
#include "scene_model.h"
#include "scene_transforms.h"

namespace inspect {

constexpr std::size_t kNoDefinition = SIZE_MAX;

// A mesh or an instance line, by its index in the mesh or instance list.
struct PlacedItem {
    enum class Kind { mesh, instance };
    Kind kind = Kind::mesh;
    std::size_t index = 0;
    std::size_t offset = 0;  // in the file, which orders the items
};

struct Definition {
    const Block* block = nullptr;       // a "#define group" or "#define object" block
    std::size_t group = kNoGroup;       // its entry in the group list, when it is a group
    std::size_t first = kNoDefinition;  // an earlier definition of the same name
    std::size_t uses = 0;               // instance lines that place it
    std::vector<PlacedItem> items;      // its meshes and instance lines; nested definitions apart
    // Counted for one placement, those of the definitions it places included; saturating.
    std::uint64_t placed_triangles = 0;
    std::uint64_t placed_definitions = 0;  // itself and every definition placed inside it
    std::uint64_t own_triangles = 0;
};

struct Instance {
    // Why an instance line places nothing.
    enum class Problem { none, no_name, undefined, inside_definition, before_definition };
    const Param* line = nullptr;
    std::size_t group = kNoGroup;  // the group holding the line; kNoGroup at the file's top level
    std::size_t definition = kNoDefinition;  // the definition it names, when one does
    Problem problem = Problem::none;
    std::string_view name() const;
};

struct ScenePlacements {
    // The groups, numbered as find_meshes numbers them.
    std::shared_ptr<const GroupList> groups;
    std::vector<Definition> definitions;       // in file order
    std::vector<Instance> instances;           // in file order
    std::vector<PlacedItem> top;               // what the scene shows where it stands
    std::vector<std::size_t> mesh_definition;  // the definition holding each mesh, or none
    std::uint64_t placed_triangles = 0;        // as the scene shows them, every placement counted
    std::uint64_t placements = 0;              // definitions shown, nested placements counted
};

ScenePlacements find_placements(const Scene& scene, const std::vector<MeshRef>& meshes);

// What the walk through the placements does next.
enum class Descend { into, past, stop };

// Walks what the scene shows, in file order and without recursion: every mesh outside the
// definitions and, with `definition_meshes`, every mesh of every placement, each with the matrix
// that takes it to the world; and every placement of a definition, with the matrix of its
// contents, whose answer decides whether the walk enters it. `holder` is the group that holds
// the innermost instance line on the way (kNoGroup at the top level or outside definitions).
// Placements of definitions that show no triangle are not visited.
struct PlacementVisitor {
    std::function<void(std::size_t mesh, const Matrix4& world, std::size_t holder)> mesh;
    std::function<Descend(std::size_t definition, const Matrix4& world)> placement;
};
// `groups` are the groups' matrices, from place_groups.
void walk_placements(const ScenePlacements& placements, const std::vector<MeshRef>& meshes,
                     const std::vector<Matrix4>& groups, bool definition_meshes,
                     const PlacementVisitor& visitor);

// What takes a mesh to the coordinates of the definition that holds it, or to the world.
Matrix4 mesh_matrix(const MeshRef& mesh, const std::vector<Matrix4>& groups);

}  // namespace inspect
