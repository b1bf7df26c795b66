#pragma once
// lilv, the library LV2 hosts use, as the tests' second host: a world that
// has loaded one bundle folder, and what it reads about a plug-in's ports.
#include <lilv/lilv.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace lv2_test {

// Tarnwhistle's bundle in the build folder (with a trailing slash).
inline std::string BuiltBundle() {
    return TW_LV2_BUNDLE_DIR "/";
}

class LilvTestWorld {
public:
    // Loads the bundle at bundleFolder (a path ending in "/").
    explicit LilvTestWorld(const std::string& bundleFolder) : mWorld(lilv_world_new()) {
        LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, bundleFolder.c_str());
        lilv_world_load_bundle(mWorld, bundle);
        lilv_node_free(bundle);
    }
    ~LilvTestWorld() {
        for (LilvNode* node : mNodes) {
            lilv_node_free(node);
        }
        lilv_world_free(mWorld);
    }
    LilvTestWorld(const LilvTestWorld&) = delete;
    LilvTestWorld& operator=(const LilvTestWorld&) = delete;

    LilvWorld* World() const { return mWorld; }
    // A URI node that lives as long as the world.
    const LilvNode* Uri(const std::string& uri) {
        mNodes.push_back(lilv_new_uri(mWorld, uri.c_str()));
        return mNodes.back();
    }
    const LilvPlugin* Plugin(const std::string& uri) {
        return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), Uri(uri));
    }
    std::size_t PluginCount() const {
        return lilv_plugins_size(lilv_world_get_all_plugins(mWorld));
    }

private:
    LilvWorld* mWorld;
    std::vector<LilvNode*> mNodes;
};

// What a host reads about one port.
struct PortView {
    std::string symbol;
    std::string name;
    float minimum = 0.0f;
    float maximum = 0.0f;
    float defaultValue = 0.0f;
    bool integer = false;
    bool toggled = false;
    bool enumeration = false;
    std::vector<std::pair<float, std::string>> scalePoints;  // sorted by value
    std::string unit;  // the unit's URI, or its units:symbol for a unit of its own
};

inline constexpr const char* kLV2 = "http://lv2plug.in/ns/lv2core#";
inline constexpr const char* kUnits = "http://lv2plug.in/ns/extensions/units#";

inline PortView ViewPort(LilvTestWorld& world, const LilvPlugin* plugin, uint32_t index) {
    PortView view;
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
    if (port == nullptr) {
        return view;
    }
    view.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    LilvNode* name = lilv_port_get_name(plugin, port);
    view.name = name != nullptr ? lilv_node_as_string(name) : "";
    lilv_node_free(name);
    LilvNode* def = nullptr;
    LilvNode* min = nullptr;
    LilvNode* max = nullptr;
    lilv_port_get_range(plugin, port, &def, &min, &max);
    view.defaultValue = def != nullptr ? lilv_node_as_float(def) : -999.0f;
    view.minimum = min != nullptr ? lilv_node_as_float(min) : -999.0f;
    view.maximum = max != nullptr ? lilv_node_as_float(max) : -999.0f;
    lilv_node_free(def);
    lilv_node_free(min);
    lilv_node_free(max);
    const std::string lv2 = kLV2;
    view.integer = lilv_port_has_property(plugin, port, world.Uri(lv2 + "integer"));
    view.toggled = lilv_port_has_property(plugin, port, world.Uri(lv2 + "toggled"));
    view.enumeration = lilv_port_has_property(plugin, port, world.Uri(lv2 + "enumeration"));
    if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
        LILV_FOREACH(scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            view.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                          lilv_node_as_string(lilv_scale_point_get_label(point)));
        }
        lilv_scale_points_free(points);
        std::sort(view.scalePoints.begin(), view.scalePoints.end());
    }
    if (LilvNodes* units =
            lilv_port_get_value(plugin, port, world.Uri(std::string(kUnits) + "unit"))) {
        const LilvNode* unit = lilv_nodes_get_first(units);
        if (lilv_node_is_uri(unit)) {
            view.unit = lilv_node_as_uri(unit);
        } else if (LilvNode* symbol = lilv_world_get(
                       world.World(), unit, world.Uri(std::string(kUnits) + "symbol"), nullptr)) {
            view.unit = lilv_node_as_string(symbol);
            lilv_node_free(symbol);
        }
        lilv_nodes_free(units);
    }
    return view;
}

}  // namespace lv2_test
