#include "mail/SmtpReplyTable.h"

#include <algorithm>
#include <array>

namespace {

// Which refusals a command can get besides 421 and 500-504.
enum class Refusals {
    Listed,     // only the codes listed
    AnyFailure, // any 4xx or 5xx: a mail transaction's servers refuse with many codes
};

struct Row {
    SmtpCommand command;
    std::array<int, 2> accepted; // unused places hold 0, which no reply has
    Refusals refusals;
    std::array<int, 6> refused; // for Refusals::Listed
};

// RFC 5321 4.3.2 and 3.8 (421), RFC 4954 6 (AUTH, and 530 to the mail commands), RFC 3207 4
// (STARTTLS). Listed in the order of SmtpCommand.
constexpr std::array kRows{
    Row{SmtpCommand::Greeting, {220}, Refusals::Listed, {554}},
    Row{SmtpCommand::Ehlo, {250}, Refusals::Listed, {550}},
    Row{SmtpCommand::Helo, {250}, Refusals::Listed, {550}},
    Row{SmtpCommand::StartTls, {220}, Refusals::Listed, {454}},
    Row{SmtpCommand::AuthLogin, {334}, Refusals::Listed, {432, 454, 530, 534, 535, 538}},
    Row{SmtpCommand::AuthUser, {334}, Refusals::Listed, {432, 454, 530, 534, 535, 538}},
    Row{SmtpCommand::AuthPassword, {235}, Refusals::Listed, {432, 454, 530, 534, 535, 538}},
    Row{SmtpCommand::MailFrom, {250}, Refusals::AnyFailure, {}},
    Row{SmtpCommand::RcptTo, {250, 251}, Refusals::AnyFailure, {}},
    Row{SmtpCommand::Data, {354}, Refusals::AnyFailure, {}},
    Row{SmtpCommand::DataEnd, {250}, Refusals::AnyFailure, {}},
    Row{SmtpCommand::Rset, {250}, Refusals::Listed, {}},
    Row{SmtpCommand::Quit, {221}, Refusals::Listed, {}},
};

constexpr bool rowsFollowTheEnum()
{
    for (size_t i = 0; i < kRows.size(); ++i) {
        if (static_cast<size_t>(kRows[i].command) != i)
            return false;
    }
    return true;
}
static_assert(rowsFollowTheEnum(), "one row per SmtpCommand, in its order");
static_assert(kRows.size() == static_cast<size_t>(SmtpCommand::Quit) + 1, "one row per SmtpCommand");

template <size_t N> bool listed(const std::array<int, N>& codes, int code)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

const Row& rowOf(SmtpCommand command)
{
    return kRows[static_cast<size_t>(command)];
}

} // namespace

SmtpVerdict JudgeReply(SmtpCommand command, int code)
{
    const Row& row = rowOf(command);
    if (listed(row.accepted, code))
        return SmtpVerdict::Accepted;
    if (code == 421 || (code >= 500 && code <= 504))
        return SmtpVerdict::Refused;
    const int replyClass = code / 100;
    if (row.refusals == Refusals::AnyFailure ? (replyClass == 4 || replyClass == 5) : listed(row.refused, code))
        return SmtpVerdict::Refused;
    return SmtpVerdict::OutOfTurn;
}
