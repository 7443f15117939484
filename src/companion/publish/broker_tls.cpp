#include "companion/publish/broker_tls.h"

#include <arpa/inet.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <array>

namespace tavr {

namespace {

bool IsNumericAddress(const std::string& host) {
    std::array<unsigned char, sizeof(in6_addr)> address{};
    return inet_pton(AF_INET, host.c_str(), address.data()) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address.data()) == 1;
}

}  // namespace

std::unique_ptr<BrokerTls> BrokerTls::Make(const std::string& brokerHost, const std::string& caFile,
                                           std::string& error) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) {
        error = "cannot set up TLS";
        return nullptr;
    }
    std::unique_ptr<BrokerTls> tls(new BrokerTls(context, brokerHost));
    // The versions and options the MQTT client library would have set itself.
    SSL_CTX_set_min_proto_version(context, TLS1_1_VERSION);
    SSL_CTX_set_options(context, SSL_OP_NO_COMPRESSION);
    const bool trusted = caFile.empty()
                             ? SSL_CTX_set_default_verify_paths(context) == 1
                             : SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr) == 1;
    if (!trusted) {
        error = caFile.empty() ? "cannot load the system's CA certificates"
                               : "cannot read the CA file " + caFile;
        return nullptr;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    X509_VERIFY_PARAM* check = SSL_CTX_get0_param(context);
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const bool checked = tls->hostIsAnAddress_
                             ? X509_VERIFY_PARAM_set1_ip_asc(check, brokerHost.c_str()) == 1
                             : X509_VERIFY_PARAM_set1_host(check, brokerHost.c_str(), 0) == 1;
    if (!checked) {
        error = "cannot check certificates against " + brokerHost;
        return nullptr;
    }
    SSL_CTX_set_app_data(context, tls.get());
    SSL_CTX_set_info_callback(context, &BrokerTls::NameTheBroker);
    return tls;
}

BrokerTls::BrokerTls(SSL_CTX* context, std::string brokerHost)
    : context_(context),
      brokerHost_(std::move(brokerHost)),
      hostIsAnAddress_(IsNumericAddress(brokerHost_)) {}

BrokerTls::~BrokerTls() {
    SSL_CTX_free(context_);
}

// The client library names the numeric address it connects to in the handshake; just before
// the first message is made, the broker's name takes its place (an address is named by none).
void BrokerTls::NameTheBroker(const SSL* connection, int where, int) {
    if ((where & SSL_CB_HANDSHAKE_START) == 0) {
        return;
    }
    const auto& tls =
        *static_cast<const BrokerTls*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(connection)));
    // OpenSSL hands callbacks a const connection for historical reasons; it is this client's own.
    SSL* own = const_cast<SSL*>(connection);
    const char* name = tls.hostIsAnAddress_ ? nullptr : tls.brokerHost_.c_str();
    SSL_set_tlsext_host_name(own, name);
}

}  // namespace tavr
