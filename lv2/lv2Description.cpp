// The URIs read from the product record.
#include "lv2/lv2Description.h"


namespace Lv2Format {

std::string pluginUri(const PlugCore::ProductInfo& product) {
    return std::string("http://") + (product.webHost ? product.webHost : "localhost") + "/lv2/" + product.name;
}

std::string uiUri(const PlugCore::ProductInfo& product) { return pluginUri(product) + "#ui"; }

std::string chunkKey(const PlugCore::ProductInfo& product) { return pluginUri(product) + "#chunk"; }

LearnUris learnUris(const PlugCore::ProductInfo& product) {
    const std::string base = pluginUri(product) + "#";
    return {base + "learn", base + "unlearn", base + "hello", base + "binding", base + "learnTarget"};
}

}  // namespace Lv2Format
