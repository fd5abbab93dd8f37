#pragma once
// Where ravlin-cli's receiver commands take their passwords from, first found first:
//   1. --password-file FILE (the first line of a file only its owner may read) or
//      --password TEXT (kept for old scripts, with a warning: every local user can read a
//      command line); the two exclude each other;
//   2. the environment variable RAVLIN_PASSWORD, when not empty;
//   3. a prompt without echo when standard input is a terminal;
//   4. otherwise no password, which a receiver with one refuses as a wrong password.
// The new password of passwd: --new-password-file FILE or --new TEXT, otherwise typed twice
// on the terminal. Everything that can be refused (a password file open to others) is
// refused before the receiver is contacted. No password goes into a message.

#include <optional>
#include <string>

#include "base/UserInterface.h"
#include "receiver/Session.h"

namespace ravlin::cli {

constexpr const char* kPasswordVariable = "RAVLIN_PASSWORD";

class TCliPasswords : public TPasswordSource {
  public:
    // The login password (also the old one of a change) from the options or the
    // environment, or else the prompt. False after a message (a refused password file).
    bool Prepare(const std::optional<std::string>& option, const std::string& file,
                 const TTextTable& texts);
    // passwd: the new password from its options, or else the prompt (a terminal is needed
    // then; the caller checks that). False after a message.
    bool PrepareNew(const std::optional<std::string>& option, const std::string& file);
    // The change was refused because the new password is the receiver's current one.
    bool Unchanged() const { return unchanged_; }

    // A given password answers once: a second question means it was refused. Typed ones
    // are asked up to three times, as sudo does.
    std::optional<std::string> AskPassword(const TDevice& device) override;
    std::optional<TPasswordChange> AskPasswordChange(const TDevice& device) override;

  private:
    std::optional<std::string> Typed(const TDevice& device, Text label);
    std::optional<std::string> TypedNew(const TDevice& device);

    const TTextTable* texts_ = nullptr;
    std::optional<std::string> given_;     // nullopt: typed
    std::optional<std::string> givenNew_;  // nullopt: typed
    bool receiverShown_ = false;           // the prompts' "Rx type :" line
    int loginAsked_ = 0;
    int changeAsked_ = 0;
    TPasswordChange change_;  // the last answer of AskPasswordChange
    bool haveOld_ = false, haveNew_ = false;
    bool unchanged_ = false;
};

}  // namespace ravlin::cli
