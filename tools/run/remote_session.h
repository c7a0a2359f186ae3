// A scenario session on a site of a dorvane-server, through its HTTP
// protocol alone: the site is made fresh (virtual clock at the language's
// start, manual ticks) and deleted at the end, and every statement gives the
// same outcome, notes and transcript as a Session in this process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "run/runner.h"
#include "run/script.h"

namespace httplib {
class Client;
}

namespace dorvane::script {

class RemoteSession : public StatementRunner {
  public:
    // `url` is http://HOST:PORT. Throws std::runtime_error when the server
    // cannot be reached or refuses to make a site. The DORVANE_TOKEN
    // environment variable, when set, is sent as the bearer token.
    explicit RemoteSession(const std::string& url);
    ~RemoteSession() override;

    std::vector<std::string> message_lines() override;
    Outcome execute(const Statement& s) override;

  private:
    struct Reply;
    Reply request(const std::string& method, const std::string& path, const std::string& body);
    std::vector<Reply> batch(const std::string& ops, int line);
    Value evaluate(const Target& t);
    void note_messages(const std::vector<std::pair<std::string, std::string>>& now,
                       std::vector<std::string>& notes, const std::string& prefix = "");

    std::unique_ptr<httplib::Client> http_;
    std::string site_;  // /sites/N
    Fault fault_ = Fault::None;
    std::string seen_message1_, seen_message2_;
    // The last call: its method, line, whether it faulted, its result and
    // the caller's variables after it.
    int last_method_ = -1, last_line_ = 0;
    bool last_faulted_ = false;
    std::optional<Value> last_result_;
    std::vector<Value> last_args_;
};

// Opens remote sessions on the server at `url`, for run_main's --site.
RunnerFactory remote_sessions(const std::string& url);

}  // namespace dorvane::script
