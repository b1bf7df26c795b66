#pragma once
// Session management through NSM (the OSC protocol of the Non Session
// Manager, spoken over UDP with liblo). When NSM_URL is set the program
// announces itself with its capabilities; the server then tells it where its
// state lives (open), when to write it (save) and when to show or hide its
// editor. The program says whether it has unsaved changes (dirty) and
// whether its editor shows.
//
//   us     -> server  /nsm/server/announce  name, ":dirty:optional-gui:", executable, 1, 2, pid
//   server -> us      /reply "/nsm/server/announce" ...   or /error
//   server -> us      /nsm/client/open path display-name client-id
//   us     -> server  /reply "/nsm/client/open" message  (or /error code message)
//   server -> us      /nsm/client/save      -> /reply or /error as for open
//   us     -> server  /nsm/client/is_dirty, /nsm/client/is_clean
//   server -> us      /nsm/client/show_optional_gui, /nsm/client/hide_optional_gui
//   us     -> server  /nsm/client/gui_is_shown, /nsm/client/gui_is_hidden
//
// Messages arrive on the main loop (the socket's descriptor is watched);
// the hooks run there.
//
// Threads: [main] throughout.
#include <lo/lo.h>

#include <functional>
#include <memory>
#include <string>

inline constexpr int kNsmErrorGeneral = -1;

class NsmClient {
public:
    struct Hooks {
        // The session's path prefix and the client id (the JACK client's
        // name): load the state, answer false with a message to refuse.
        std::function<bool(const std::string& path, const std::string& clientId,
                           std::string* message)>
            open;
        // Write the state; false with a message when it could not be written.
        std::function<bool(std::string* message)> save;
        // Show or hide the editor; each answers whether it shows afterwards.
        std::function<bool()> showGui;
        std::function<bool()> hideGui;
    };

    // [main] A client of the server at url with its own UDP socket; null
    // with the reason in *error when url is no OSC address.
    static std::unique_ptr<NsmClient> Connect(const std::string& url, Hooks hooks,
                                              std::string* error);
    // [main]
    ~NsmClient();
    NsmClient(const NsmClient&) = delete;
    NsmClient& operator=(const NsmClient&) = delete;

    // [main] Sends the announcement.
    void Announce(const std::string& applicationName, const std::string& executable);
    // [main] The socket to watch for reading.
    int Fd() const;
    // [main] Handles every waiting message.
    void Receive();

    // [main] Tells the server, when it changed (and only after open).
    void SetDirty(bool dirty);
    // [main] Tells the server whether the editor shows.
    void SetGuiShown(bool shown);

    // [main]
    bool Opened() const { return mOpened; }
    // [main] The server refused the announcement; why is in RefusalMessage.
    bool Refused() const { return mRefused; }
    // [main]
    const std::string& RefusalMessage() const { return mRefusal; }
    // [main] The client id of the last open.
    const std::string& ClientId() const { return mClientId; }

private:
    NsmClient(lo_server server, lo_address address, Hooks hooks);
    static int OnMessage(const char* path, const char* types, lo_arg** argv, int argc,
                         lo_message message, void* self);
    void Reply(const char* path, bool ok, const std::string& message);

    lo_server mServer;
    lo_address mAddress;
    Hooks mHooks;
    bool mOpened = false;
    bool mRefused = false;
    std::string mRefusal;
    std::string mClientId;
    int mDirty = -1;  // unknown until told
};
