#include "TestCertificate.h"

#include <QFile>
#include <QProcess>

namespace {

// openssl ca signs with dates of its own choosing; this is all it needs besides its files.
const QByteArray kSigningConfig = "[ca]\n"
                                  "default_ca = local\n"
                                  "[local]\n"
                                  "database = index.txt\n"
                                  "new_certs_dir = .\n"
                                  "serial = serial\n"
                                  "default_md = sha256\n"
                                  "policy = any\n"
                                  "copy_extensions = copy\n"
                                  "unique_subject = no\n"
                                  "[any]\n"
                                  "commonName = supplied\n"
                                  "[server]\n"
                                  "basicConstraints = CA:FALSE\n"
                                  "authorityKeyIdentifier = keyid\n";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TestCertificate::TestCertificate(const Options& options)
{
    const QStringList key{QStringLiteral("-newkey"),
                          QStringLiteral("ec"),
                          QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"),
                          QStringLiteral("-nodes"),
                          QStringLiteral("-subj"),
                          QStringLiteral("/CN=") + options.commonName,
                          QStringLiteral("-addext"),
                          QStringLiteral("subjectAltName=") + options.subjectAltName,
                          QStringLiteral("-keyout"),
                          keyPath()};
    bool made = false;
    if (!options.expired) {
        made = openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"),
                                   QStringLiteral("2"), QStringLiteral("-out"), certificatePath()} +
                       key);
    } else {
        made =
            writeFile(path("ca.cnf"), kSigningConfig) && writeFile(path("index.txt"), {}) &&
            writeFile(path("serial"), "01\n") &&
            openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"), QStringLiteral("2"),
                     QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                     QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
                     QStringLiteral("/CN=Test CA"), QStringLiteral("-keyout"), path("ca-key.pem"),
                     QStringLiteral("-out"), path("ca.pem")}) &&
            openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-out"),
                                path("request.csr")} +
                    key) &&
            openssl({QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-config"), path("ca.cnf"),
                     QStringLiteral("-extensions"), QStringLiteral("server"), QStringLiteral("-cert"), path("ca.pem"),
                     QStringLiteral("-keyfile"), path("ca-key.pem"), QStringLiteral("-in"), path("request.csr"),
                     QStringLiteral("-startdate"), QStringLiteral("20200101120000Z"), QStringLiteral("-enddate"),
                     QStringLiteral("20200102120000Z"), QStringLiteral("-out"), certificatePath()});
    }
    if (!made)
        return;
    QFile file(options.expired ? path("ca.pem") : certificatePath());
    if (file.open(QIODevice::ReadOnly))
        m_certificate = QSslCertificate(&file, QSsl::Pem);
    if (m_certificate.isNull())
        m_error = QStringLiteral("cannot read ") + certificatePath();
}

bool TestCertificate::openssl(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // openssl ca finds its database relative to the folder it runs in.
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral("openssl"), arguments);
    if (process.waitForFinished(60'000) && process.exitCode() == 0)
        return true;
    m_error = QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(process.readAll()) + process.errorString();
    return false;
}
