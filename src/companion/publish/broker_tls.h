#pragma once

#include <memory>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

namespace tavr {

// The TLS side of a connection to a broker. The connection goes to one numeric address after
// another, but the certificate is checked against the broker's name as the user wrote it (or
// its address, when that is what the user wrote), and the handshake names the broker (SNI), so
// brokers behind a name-routing front end are reached too.
class BrokerTls {
  public:
    // Trusts the CA in `caFile`, or the system's CAs when it is empty. Nothing, with `error`
    // set, when the CA file cannot be read.
    static std::unique_ptr<BrokerTls> Make(const std::string& brokerHost, const std::string& caFile,
                                           std::string& error);
    ~BrokerTls();
    BrokerTls(const BrokerTls&) = delete;
    BrokerTls& operator=(const BrokerTls&) = delete;

    // The OpenSSL context for the MQTT client; it stays owned here.
    ssl_ctx_st* Context() const { return context_; }

  private:
    BrokerTls(ssl_ctx_st* context, std::string brokerHost);
    static void NameTheBroker(const ssl_st* connection, int where, int);

    ssl_ctx_st* context_;
    std::string brokerHost_;
    bool hostIsAnAddress_;
};

}  // namespace tavr
