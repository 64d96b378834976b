#include "scene_placements.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace inspect {

namespace {

std::uint64_t add(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

bool is_definition(const Block& block) {
    return block.keyword == "#define group" || block.keyword == "#define object";
}

// Lists the definitions, instance lines and meshes, each under the definition that holds it,
// walking the blocks as find_meshes does so that groups and meshes get the same numbers.
class Finder {
  public:
    Finder(ScenePlacements& out, std::size_t mesh_count) : out_(out), mesh_count_(mesh_count) {}

    void run(const Scene& scene) {
        auto groups = std::make_shared<GroupList>();
        groups_ = groups.get();
        out_.groups = groups;
        add_instances(scene.root);
        walk_blocks(
            scene.root, [&](const Block& block) { return enter(block); },
            [&](const Block& block) { leave(block); });
        for (Definition& definition : out_.definitions) sort(definition.items);
        sort(out_.top);
    }

  private:
    std::vector<PlacedItem>& items() {
        return owner_ == kNoDefinition ? out_.top : out_.definitions[owner_].items;
    }

    std::size_t add_definition(const Block& block, std::size_t group) {
        out_.definitions.push_back({});
        out_.definitions.back().block = &block;
        out_.definitions.back().group = group;
        enclosing_.push_back(owner_);
        return out_.definitions.size() - 1;
    }

    void add_instances(const Block& block) {
        for (const Param& param : block.params) {
            if (param.name != "instance" || !param.keyword_form) continue;
            out_.instances.push_back({&param, group_});
            items().push_back(
                {PlacedItem::Kind::instance, out_.instances.size() - 1, param.offset});
        }
    }

    bool enter(const Block& block) {
        if (is_object(block)) {
            if (out_.mesh_definition.size() == mesh_count_) return false;
            const std::size_t mesh = out_.mesh_definition.size();
            const PlacedItem item{PlacedItem::Kind::mesh, mesh, block.offset};
            if (block.keyword == "object") {
                out_.mesh_definition.push_back(owner_);
                items().push_back(item);
            } else {
                out_.mesh_definition.push_back(add_definition(block, kNoGroup));
                out_.definitions.back().items.push_back(item);
            }
            return false;
        }
        if (is_group(block)) {
            groups_->push_back({&block, group_});
            group_ = groups_->size() - 1;
            if (is_definition(block)) owner_ = add_definition(block, group_);
            add_instances(block);
        }
        return true;
    }

    void leave(const Block& block) {
        if (!is_group(block)) return;
        if (is_definition(block)) owner_ = enclosing_[owner_];
        group_ = (*groups_)[group_].parent;
    }

    static void sort(std::vector<PlacedItem>& items) {
        std::stable_sort(items.begin(), items.end(), [](const PlacedItem& a, const PlacedItem& b) {
            return a.offset < b.offset;
        });
    }

    ScenePlacements& out_;
    const std::size_t mesh_count_;
    GroupList* groups_ = nullptr;
    std::size_t group_ = kNoGroup;
    std::size_t owner_ = kNoDefinition;   // the innermost definition
    std::vector<std::size_t> enclosing_;  // the definition around each definition
};

// Each instance line names a definition that has ended before it; nothing else can be placed,
// so no definition places itself, however indirectly.
void resolve(ScenePlacements& out) {
    std::unordered_map<std::string_view, std::size_t> first;
    for (std::size_t i = 0; i < out.definitions.size(); ++i) {
        const auto [found, added] = first.emplace(out.definitions[i].block->name(), i);
        if (!added) out.definitions[i].first = found->second;
    }
    for (Instance& instance : out.instances) {
        const std::vector<Value>& values = instance.line->values;
        if (values.empty() || values.front().kind != Value::Kind::string) {
            instance.problem = Instance::Problem::no_name;
            continue;
        }
        const auto found = first.find(values.front().text);
        if (found == first.end()) {
            instance.problem = Instance::Problem::undefined;
            continue;
        }
        instance.definition = found->second;
        Definition& definition = out.definitions[found->second];
        const Block& block = *definition.block;
        const std::size_t at = instance.line->offset;
        if (block.end_offset > block.offset && block.end_offset < at) {
            ++definition.uses;
        } else {
            instance.problem = block.offset < at ? Instance::Problem::inside_definition
                                                 : Instance::Problem::before_definition;
        }
    }
}

// The triangles and definitions one placement shows, of each definition after those it places
// (which end before it), then of the whole scene.
void count(ScenePlacements& out, const std::vector<MeshRef>& meshes) {
    auto tally = [&](const std::vector<PlacedItem>& items, std::uint64_t& triangles,
                     std::uint64_t& own, std::uint64_t& definitions) {
        for (const PlacedItem& item : items) {
            if (item.kind == PlacedItem::Kind::mesh) {
                own = add(own, meshes[item.index].triangle_count());
                continue;
            }
            const Instance& instance = out.instances[item.index];
            if (instance.problem != Instance::Problem::none) continue;
            const Definition& placed = out.definitions[instance.definition];
            triangles = add(triangles, placed.placed_triangles);
            definitions = add(definitions, placed.placed_definitions);
        }
        triangles = add(triangles, own);
    };
    std::vector<std::size_t> by_end(out.definitions.size());
    for (std::size_t i = 0; i < by_end.size(); ++i) by_end[i] = i;
    std::stable_sort(by_end.begin(), by_end.end(), [&](std::size_t a, std::size_t b) {
        return out.definitions[a].block->end_offset < out.definitions[b].block->end_offset;
    });
    for (std::size_t i : by_end) {
        Definition& definition = out.definitions[i];
        definition.placed_definitions = 1;
        tally(definition.items, definition.placed_triangles, definition.own_triangles,
              definition.placed_definitions);
    }
    std::uint64_t own = 0;
    tally(out.top, out.placed_triangles, own, out.placements);
}

}  // namespace

std::string_view Instance::name() const {
    return line->values.empty() ? std::string_view() : std::string_view(line->values.front().text);
}

ScenePlacements find_placements(const Scene& scene, const std::vector<MeshRef>& meshes) {
    ScenePlacements out;
    Finder(out, meshes.size()).run(scene);
    resolve(out);
    count(out, meshes);
    return out;
}

Matrix4 mesh_matrix(const MeshRef& mesh, const std::vector<Matrix4>& groups) {
    // A defined object is its definition: it stands where the definition is placed.
    if (mesh.object->keyword != "object" || mesh.group == kNoGroup) return Matrix4();
    return groups[mesh.group];
}

void walk_placements(const ScenePlacements& placements, const std::vector<MeshRef>& meshes,
                     const std::vector<Matrix4>& groups, bool definition_meshes,
                     const PlacementVisitor& visitor) {
    auto local = [&](std::size_t group) { return group == kNoGroup ? Matrix4() : groups[group]; };
    struct Frame {
        const std::vector<PlacedItem>* items;
        std::size_t next;
        Matrix4 world;
        std::size_t holder;
        bool in_definition;
    };
    std::vector<Frame> path{{&placements.top, 0, Matrix4(), kNoGroup, false}};
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.items->size()) {
            path.pop_back();
            continue;
        }
        const PlacedItem& item = (*frame.items)[frame.next++];
        if (item.kind == PlacedItem::Kind::mesh) {
            if (frame.in_definition && !definition_meshes) continue;
            visitor.mesh(item.index, mesh_matrix(meshes[item.index], groups) * frame.world,
                         frame.holder);
            continue;
        }
        const Instance& instance = placements.instances[item.index];
        if (instance.problem != Instance::Problem::none) continue;
        const Definition& definition = placements.definitions[instance.definition];
        if (definition.placed_triangles == 0) continue;
        const Matrix4 world = local(instance.group) * frame.world;
        const Descend next = visitor.placement(instance.definition, world);
        if (next == Descend::stop) return;
        if (next == Descend::into) {
            path.push_back({&definition.items, 0, world, instance.group, true});
        }
    }
}

}  // namespace inspect
