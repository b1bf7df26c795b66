#include "standalone/nsm_client.h"

#include <unistd.h>

#include <cstring>

namespace {
constexpr const char* kCapabilities = ":dirty:optional-gui:";
}  // namespace

NsmClient::NsmClient(lo_server server, lo_address address, Hooks hooks)
    : mServer(server), mAddress(address), mHooks(std::move(hooks)) {}

std::unique_ptr<NsmClient> NsmClient::Connect(const std::string& url, Hooks hooks,
                                              std::string* error) {
    lo_address address = lo_address_new_from_url(url.c_str());
    if (address == nullptr) {
        *error = "NSM_URL '" + url + "' is no OSC address";
        return nullptr;
    }
    lo_server server = lo_server_new_with_proto(nullptr, lo_address_get_protocol(address), nullptr);
    if (server == nullptr) {
        lo_address_free(address);
        *error = "cannot open a socket for the session manager";
        return nullptr;
    }
    std::unique_ptr<NsmClient> client(new NsmClient(server, address, std::move(hooks)));
    lo_server_add_method(server, nullptr, nullptr, OnMessage, client.get());
    return client;
}

NsmClient::~NsmClient() {
    lo_server_free(mServer);
    lo_address_free(mAddress);
}

void NsmClient::Announce(const std::string& applicationName, const std::string& executable) {
    lo_send_from(mAddress, mServer, LO_TT_IMMEDIATE, "/nsm/server/announce", "sssiii",
                 applicationName.c_str(), kCapabilities, executable.c_str(), 1, 2,
                 static_cast<int>(getpid()));
}

int NsmClient::Fd() const {
    return lo_server_get_socket_fd(mServer);
}

void NsmClient::Receive() {
    while (lo_server_recv_noblock(mServer, 0) > 0) {
    }
}

void NsmClient::SetDirty(bool dirty) {
    if (!mOpened || mDirty == static_cast<int>(dirty)) return;
    mDirty = dirty ? 1 : 0;
    lo_send_from(mAddress, mServer, LO_TT_IMMEDIATE,
                 dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean", "");
}

void NsmClient::SetGuiShown(bool shown) {
    lo_send_from(mAddress, mServer, LO_TT_IMMEDIATE,
                 shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", "");
}

void NsmClient::Reply(const char* path, bool ok, const std::string& message) {
    if (ok) {
        lo_send_from(mAddress, mServer, LO_TT_IMMEDIATE, "/reply", "ss", path, message.c_str());
    } else {
        lo_send_from(mAddress, mServer, LO_TT_IMMEDIATE, "/error", "sis", path, kNsmErrorGeneral,
                     message.c_str());
    }
}

int NsmClient::OnMessage(const char* path, const char* types, lo_arg** argv, int argc, lo_message,
                         void* self) {
    auto* client = static_cast<NsmClient*>(self);
    auto text = [&](int i) -> std::string {
        // liblo's arguments are 4-byte aligned, less than its union asks for.
        return i < argc && (types[i] == 's' || types[i] == 'S')
                   ? std::string(reinterpret_cast<const char*>(argv[i]))
                   : std::string();
    };
    if (std::strcmp(path, "/error") == 0 && text(0) == "/nsm/server/announce") {
        client->mRefused = true;
        client->mRefusal = argc >= 3 ? text(2) : "no reason given";
    } else if (std::strcmp(path, "/nsm/client/open") == 0 && argc >= 3) {
        std::string message = "Loaded.";
        const bool ok = client->mHooks.open && client->mHooks.open(text(0), text(2), &message);
        if (ok) {
            client->mOpened = true;
            client->mClientId = text(2);
            client->mDirty = -1;
        }
        client->Reply("/nsm/client/open", ok, message);
        if (ok) client->SetDirty(false);
    } else if (std::strcmp(path, "/nsm/client/save") == 0) {
        std::string message = "Saved.";
        const bool ok = client->mHooks.save && client->mHooks.save(&message);
        client->Reply("/nsm/client/save", ok, message);
        if (ok) client->SetDirty(false);
    } else if (std::strcmp(path, "/nsm/client/show_optional_gui") == 0) {
        client->SetGuiShown(client->mHooks.showGui && client->mHooks.showGui());
    } else if (std::strcmp(path, "/nsm/client/hide_optional_gui") == 0) {
        client->SetGuiShown(client->mHooks.hideGui && client->mHooks.hideGui());
    }
    return 0;
}
