// How Tarnwhistle presents itself as an LV2 bundle.
#include "lv2/module/lv2_module.h"
#include "product/channel_parameters.h"

LV2ProductDescription LV2ProductIdentity() {
    const PluginConfig config = TarnwhistleConfig();
    LV2ProductDescription product;
    product.uriBase = "urn:quernstoneworks:tarnwhistle";
    product.name = config.pluginName;
    product.maintainer = "Quernstone Works";
    product.pluginClass = "EQPlugin";
    product.binary = "tarnwhistle.so";
    product.turtleFile = "tarnwhistle.ttl";
    product.version = config.pluginVersion;
    product.channelIOString = config.channelIOString;
    product.enabledParam = kBypass;
    return product;
}
