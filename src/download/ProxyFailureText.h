// What a failed connection means when the requests go through a proxy: the client only
// ever connects to the proxy, so a refusal, an unknown host or a silence is the proxy's,
// and the line names it so the user looks at the proxy settings, not at the network.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// "host:port" as the proxy is shown to the user.
std::string ProxyName(std::string_view server, int port);

// The sentence that names the proxy for a client failure text ("The proxy 127.0.0.1:3999
// refused the connection."); none for a failure the proxy is not the cause of.
std::optional<std::string> ProxyFailureSentence(std::string_view proxyName,
                                                std::string_view failureText);

}  // namespace kartovel
