#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

// A scripted SMTP peer on 127.0.0.1 for wire tests. It runs its own thread, accepts one
// connection (one more at each nextConnection step) and plays the script in order; it records
// every byte the client sends. Once the client has left, the steps up to the next
// nextConnection are skipped. Every wait of its own is bounded, so a test never hangs on it.
class ScriptedSmtpServer {
public:
    struct Step {
        enum class Kind { Send, ReceiveLine, ReceiveData, Close, Hold, NextConnection, Pause, Serve } kind;
        QByteArray bytes;
        int milliseconds = 0;
    };
    static Step send(const QByteArray& bytes) { return {Step::Kind::Send, bytes}; }
    static Step receiveLine() { return {Step::Kind::ReceiveLine, {}}; }
    // Reads up to and including the CR LF "." CR LF that ends a mail's data.
    static Step receiveData() { return {Step::Kind::ReceiveData, {}}; }
    static Step closeConnection() { return {Step::Kind::Close, {}}; }
    // Answers nothing more and waits until the client goes away.
    static Step hold() { return {Step::Kind::Hold, {}}; }
    // Waits until the client leaves, then for its next connection (none once the test has
    // asked for what the client sent).
    static Step nextConnection() { return {Step::Kind::NextConnection, {}}; }
    // Sends nothing for a while, so the next send is a write of its own.
    static Step pause(int milliseconds) { return {Step::Kind::Pause, {}, milliseconds}; }
    // Answers like a well-behaved server until QUIT: 250 to every command, 354 to DATA, 250 to
    // the end of the data (the mail accepted), 221 to QUIT.
    static Step serve() { return {Step::Kind::Serve, {}}; }

    explicit ScriptedSmtpServer(QList<Step> script);
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    quint16 port() const { return m_port; }
    // Waits for the script to end and the client to leave, then returns what the client sent.
    QByteArray received();
    // What the client has sent so far; does not wait.
    QByteArray receivedSoFar();
    // Waits like received(); the data of every mail whose end of data was read and answered
    // with a 2xx, as the client sent it (dot-stuffed, without the final ".").
    QList<QByteArray> acceptedMails();

private:
    void run(QList<Step> script, std::promise<quint16> ready);

    quint16 m_port = 0;
    std::atomic<bool> m_clientDone = false;
    std::thread m_thread;
    std::mutex m_mutex;
    QByteArray m_received;
    QList<QByteArray> m_accepted;
};
