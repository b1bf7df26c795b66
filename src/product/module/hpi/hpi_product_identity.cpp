// How Tarnwhistle presents itself to an HPI host.
#include "hpi/sdk/hpi_types.h"
#include "product/channel_parameters.h"
#include "product/module/hpi/hpi_module.h"

HPIProductDescription HPIProductIdentity() {
    const PluginConfig config = TarnwhistleConfig();
    HPIProductDescription product;
    product.effectID = "com.Quernstoneworks.hpi.Tarnwhistle";
    product.pluginName = config.pluginName;
    product.manufacturerName = "Quernstone Works";
    product.packageVersion = static_cast<uint32_t>(config.pluginVersion);
    product.category = HPI_eEffectCategory_EQ;
    product.manufacturerCode = static_cast<uint32_t>(config.manufacturerID);
    product.productCode = static_cast<uint32_t>(config.uniqueID);
    product.channelIOString = config.channelIOString;
    product.typeCodes = {HPI_FourCharCode("IEF1"), HPI_FourCharCode("IEF2")};
    product.secondTypeCodes = {HPI_FourCharCode("IEA1"), HPI_FourCharCode("IEA2")};
    product.receivesMidi = config.receivesMidi;
    product.sendsMidi = config.sendsMidi;
    product.midiNodeName = "Tarnwhistle Midi";
    product.midiChannelMask = 1;
    product.wantsTransport = true;
    return product;
}
