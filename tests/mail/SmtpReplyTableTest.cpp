#include "mail/SmtpReplyTable.h"

#include <gtest/gtest.h>

// RFC 5321 4.3.2, RFC 4954 6 and RFC 3207 4: what each command can get. A reply that its
// command can never get is out of turn; 421 and 500-504 can come to anything.
TEST(SmtpReplyTable, JudgesEachReplyByTheCommandItAnswers)
{
    using C = SmtpCommand;
    using V = SmtpVerdict;
    struct Case {
        SmtpCommand command;
        int code;
        SmtpVerdict verdict;
    };
    const QList<Case> cases{
        {C::Greeting, 220, V::Accepted},      {C::Greeting, 554, V::Refused},       {C::Greeting, 250, V::OutOfTurn},
        {C::Ehlo, 250, V::Accepted},          {C::Ehlo, 502, V::Refused},           {C::Ehlo, 550, V::Refused},
        {C::Ehlo, 354, V::OutOfTurn},         {C::Helo, 250, V::Accepted},          {C::Helo, 221, V::OutOfTurn},
        {C::StartTls, 220, V::Accepted},      {C::StartTls, 454, V::Refused},       {C::StartTls, 250, V::OutOfTurn},
        {C::AuthLogin, 334, V::Accepted},     {C::AuthLogin, 504, V::Refused},      {C::AuthLogin, 250, V::OutOfTurn},
        {C::AuthLogin, 235, V::OutOfTurn},    {C::AuthUser, 334, V::Accepted},      {C::AuthUser, 535, V::Refused},
        {C::AuthUser, 235, V::OutOfTurn},     {C::AuthPassword, 235, V::Accepted},  {C::AuthPassword, 535, V::Refused},
        {C::AuthPassword, 334, V::OutOfTurn}, {C::AuthPassword, 250, V::OutOfTurn}, {C::MailFrom, 250, V::Accepted},
        {C::MailFrom, 450, V::Refused},       {C::MailFrom, 530, V::Refused},       {C::MailFrom, 354, V::OutOfTurn},
        {C::MailFrom, 251, V::OutOfTurn},     {C::RcptTo, 250, V::Accepted},        {C::RcptTo, 251, V::Accepted},
        {C::RcptTo, 554, V::Refused},         {C::RcptTo, 354, V::OutOfTurn},       {C::Data, 354, V::Accepted},
        {C::Data, 554, V::Refused},           {C::Data, 250, V::OutOfTurn},         {C::DataEnd, 250, V::Accepted},
        {C::DataEnd, 552, V::Refused},        {C::DataEnd, 451, V::Refused},        {C::DataEnd, 354, V::OutOfTurn},
        {C::DataEnd, 221, V::OutOfTurn},      {C::Rset, 250, V::Accepted},          {C::Rset, 500, V::Refused},
        {C::Rset, 554, V::OutOfTurn},         {C::Rset, 354, V::OutOfTurn},         {C::Quit, 221, V::Accepted},
        {C::Quit, 502, V::Refused},           {C::Quit, 250, V::OutOfTurn},         {C::Quit, 554, V::OutOfTurn},
        {C::Quit, 421, V::Refused},           {C::Data, 421, V::Refused},           {C::Greeting, 421, V::Refused},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeReply(c.command, c.code), c.verdict)
            << "command " << static_cast<int>(c.command) << ", reply " << c.code;
    }
}
