#include "auth/HttpsClient.h"

namespace {

class THttpsUnavailable final : public THttpsClient {
public:
    THttpsReply PostForm(const std::string&, const std::string&) override {
        THttpsReply reply;
        reply.Failure = "この環境では HTTPS を使えません。";
        return reply;
    }
};

}  // namespace

std::unique_ptr<THttpsClient> THttpsClient::System() {
    return std::make_unique<THttpsUnavailable>();
}
