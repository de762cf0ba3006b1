#pragma once

// What a client can have asked when a reply comes: every command the session sends, the
// greeting, and the end of a mail's data.
enum class SmtpCommand {
    Greeting,
    Ehlo,
    Helo,
    StartTls,
    AuthLogin,    // "AUTH LOGIN"
    AuthUser,     // the user name in Base64
    AuthPassword, // the password in Base64
    MailFrom,
    RcptTo,
    Data,
    DataEnd, // the "." that ends the data
    Rset,
    Quit,
};

// How a reply answers the command it follows (RFC 5321 4.3.2, RFC 4954 6, RFC 3207 4).
enum class SmtpVerdict {
    Accepted,
    Refused,
    // A reply this command can never get: the server's replies have shifted against the
    // commands, so neither this one nor the ones before can be trusted.
    OutOfTurn,
};

// The one judge of every reply: the codes that accept each command, the refusals it can get,
// and 421 and the syntax errors 500-504, which any command can get.
SmtpVerdict JudgeReply(SmtpCommand command, int code);
