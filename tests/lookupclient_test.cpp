// The paced HTTP client against a scripted server on loopback: pacing, the
// User-Agent, Retry-After, and the replies it must refuse.
#include "loopbackserver.h"
#include "politeclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

using namespace lookup;

namespace {

// Runs the event loop until `done` holds or ten seconds pass.
bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

HttpResult getOnce(PoliteClient& client, const QUrl& url)
{
    std::optional<HttpResult> answer;
    client.get(QStringLiteral("prova"), url, [&](const HttpResult& result) { answer = result; });
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }));
    return answer.value_or(HttpResult{});
}

PoliteClient::Limits quick()
{
    PoliteClient::Limits limits;
    limits.spacingMs = 0;
    return limits;
}

} // namespace

TEST(LookupPoliteClient, PacesEachServiceToOneRequestASecondAndNamesTheProgram)
{
    LoopbackServer server([](const QUrl&) { return ScriptedReply::json("{}"); });
    PoliteClient client;
    int answered = 0;
    for (int i = 0; i < 3; ++i)
        client.get(QStringLiteral("uno"), server.url(QStringLiteral("/uno/%1").arg(i)), [&](const HttpResult& r) {
            EXPECT_TRUE(r.ok()) << r.problem.toStdString();
            ++answered;
        });
    client.get(QStringLiteral("due"), server.url(QStringLiteral("/due")), [&](const HttpResult&) { ++answered; });
    ASSERT_TRUE(waitUntil([&] { return answered == 4; }));

    const auto paced = server.seenUnder(QStringLiteral("/uno"));
    ASSERT_EQ(paced.size(), 3u);
    for (std::size_t i = 1; i < paced.size(); ++i)
        EXPECT_GE(paced[i].atMs - paced[i - 1].atMs, 950) << "request " << i << " came too soon";
    const auto other = server.seenUnder(QStringLiteral("/due"));
    ASSERT_EQ(other.size(), 1u);
    EXPECT_LT(other[0].atMs - paced[0].atMs, 900) << "another service is not held back by the first";
    EXPECT_TRUE(paced[0].userAgent.startsWith("GestioneDorvi/")) << paced[0].userAgent.toStdString();
}

TEST(LookupPoliteClient, ABusyServiceIsAskedAgainAfterItsRetryAfterAndOnlyABoundedNumberOfTimes)
{
    int calls = 0;
    LoopbackServer server([&](const QUrl& target) {
        if (target.path() == QLatin1String("/sempre"))
            return ScriptedReply{503, "busy", {{"Retry-After", "0"}}};
        return ++calls == 1 ? ScriptedReply{429, "slow down", {{"Retry-After", "1"}}} : ScriptedReply::json("{\"ok\":1}");
    });
    PoliteClient client;
    client.setLimits(quick());
    const HttpResult result = getOnce(client, server.url(QStringLiteral("/libro")));
    EXPECT_TRUE(result.ok()) << result.problem.toStdString();
    EXPECT_EQ(result.body, QByteArray("{\"ok\":1}"));
    const auto seen = server.seenUnder(QStringLiteral("/libro"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_GE(seen[1].atMs - seen[0].atMs, 950) << "the second try waits as Retry-After says";

    const HttpResult refused = getOnce(client, server.url(QStringLiteral("/sempre")));
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.problem.isEmpty());
    EXPECT_EQ(server.seenUnder(QStringLiteral("/sempre")).size(), 1u + client.limits().maxRetries);

    // A wait far longer than a user would sit through is a failure at once.
    LoopbackServer far([](const QUrl&) { return ScriptedReply{429, {}, {{"Retry-After", "86400"}}}; });
    const HttpResult tooLong = getOnce(client, far.url(QStringLiteral("/x")));
    EXPECT_FALSE(tooLong.ok());
    EXPECT_EQ(far.seen().size(), 1u);
}

TEST(LookupPoliteClient, RefusesOversizedRepliesRedirectLoopsAndRepliesCutHalfway)
{
    const QByteArray big(4 * 1024 * 1024 + 10, 'x');
    LoopbackServer server([&](const QUrl& target) {
        const QString path = target.path();
        if (path == QLatin1String("/grande"))
            return ScriptedReply::json(big);
        if (path == QLatin1String("/grande-senza-lunghezza")) {
            ScriptedReply reply = ScriptedReply::json(big);
            reply.announceLength = false;
            return reply;
        }
        if (path == QLatin1String("/a"))
            return ScriptedReply{302, {}, {{"Location", "/b"}}};
        if (path == QLatin1String("/b"))
            return ScriptedReply{302, {}, {{"Location", "/a"}}};
        if (path == QLatin1String("/tagliata")) {
            ScriptedReply reply = ScriptedReply::json(QByteArray(2000, ' ') + "{}");
            reply.cutAfter = 1000;
            return reply;
        }
        if (path == QLatin1String("/rinvio"))
            return ScriptedReply{301, {}, {{"Location", "/fine"}}};
        return ScriptedReply::json("{\"fine\":true}");
    });
    PoliteClient client;
    client.setLimits(quick());

    for (const char* path : {"/grande", "/grande-senza-lunghezza"}) {
        const HttpResult result = getOnce(client, server.url(QLatin1String(path)));
        EXPECT_FALSE(result.ok()) << path;
        EXPECT_TRUE(result.body.isEmpty()) << path;
        EXPECT_TRUE(result.problem.contains(QStringLiteral("4 MB"))) << result.problem.toStdString();
    }

    const HttpResult loop = getOnce(client, server.url(QStringLiteral("/a")));
    EXPECT_FALSE(loop.ok());
    EXPECT_TRUE(loop.problem.contains(QStringLiteral("senza fine"))) << loop.problem.toStdString();
    EXPECT_LE(server.seenUnder(QStringLiteral("/a")).size(), 4u) << "a loop is not followed for ever";

    const HttpResult cut = getOnce(client, server.url(QStringLiteral("/tagliata")));
    EXPECT_FALSE(cut.ok()) << "a reply shorter than announced is a failure, not a success";

    const HttpResult moved = getOnce(client, server.url(QStringLiteral("/rinvio")));
    EXPECT_TRUE(moved.ok()) << "one plain redirect is followed: " << moved.problem.toStdString();
}

TEST(LookupPoliteClient, AServiceThatIsNotThereIsAFailureNamingTheCause)
{
    PoliteClient client;
    client.setLimits(quick());
    quint16 closedPort = 0;
    {
        LoopbackServer gone([](const QUrl&) { return ScriptedReply::json("{}"); });
        closedPort = static_cast<quint16>(gone.url().port());
    }
    const HttpResult result = getOnce(client, QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)));
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.problem.isEmpty());
    EXPECT_EQ(result.status, 0);
}

TEST(LookupPoliteClient, AServiceThatNeverAnswersTimesOutAndDestroyingTheClientDropsItsRequests)
{
    LoopbackServer server([](const QUrl&) {
        ScriptedReply reply;
        reply.silent = true;
        return reply;
    });
    PoliteClient client;
    PoliteClient::Limits limits = quick();
    limits.timeoutMs = 300;
    client.setLimits(limits);
    const HttpResult result = getOnce(client, server.url(QStringLiteral("/muto")));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.problem.contains(QStringLiteral("nessuna risposta"))) << result.problem.toStdString();

    bool calledBack = false;
    {
        PoliteClient doomed;
        doomed.get(QStringLiteral("prova"), server.url(QStringLiteral("/in-corso")), [&](const HttpResult&) { calledBack = true; });
        doomed.get(QStringLiteral("prova"), server.url(QStringLiteral("/in-coda")), [&](const HttpResult&) { calledBack = true; });
        ASSERT_TRUE(waitUntil([&] { return !server.seenUnder(QStringLiteral("/in-corso")).empty(); }));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(calledBack) << "a client destroyed with a request under way calls nobody back";
}

TEST(LookupPoliteClient, ARedirectIsFollowedOnlyWhereTheRuleAllows)
{
    LoopbackServer elsewhere([](const QUrl&) { return ScriptedReply::json("{\"altrove\":1}"); });
    const QByteArray away = elsewhere.url(QStringLiteral("/altrove")).toEncoded();
    LoopbackServer server([&](const QUrl& target) {
        if (target.path() == QLatin1String("/via"))
            return ScriptedReply{302, {}, {{"Location", away}}};
        if (target.path() == QLatin1String("/file"))
            return ScriptedReply{302, {}, {{"Location", "file:///etc/passwd"}}};
        return ScriptedReply::json("{}");
    });
    PoliteClient client;
    client.setLimits(quick());
    const QUrl home = server.url();
    client.setRedirectRule([home](const QUrl& target) { return target.port() == home.port(); });

    const HttpResult refused = getOnce(client, server.url(QStringLiteral("/via")));
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.problem.isEmpty());
    EXPECT_TRUE(elsewhere.seen().empty()) << "the address the rule refuses is never asked";

    const HttpResult local = getOnce(client, server.url(QStringLiteral("/file")));
    EXPECT_FALSE(local.ok()) << "a redirect to a local file is never followed";
    EXPECT_TRUE(local.body.isEmpty());

    client.setRedirectRule({});
    const HttpResult followed = getOnce(client, server.url(QStringLiteral("/via")));
    EXPECT_TRUE(followed.ok()) << followed.problem.toStdString();
    EXPECT_EQ(followed.body, QByteArray("{\"altrove\":1}"));
}
