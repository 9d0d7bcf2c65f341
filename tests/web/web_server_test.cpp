#include "web/web_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "server/relay_server.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/server/recording_reporter.h"
#include "tests/support/test_peer.h"
#include "web/beast.h"

namespace vesk::web {
namespace {

using namespace std::chrono_literals;
using test::Sjis;
using test::TestPeer;
using test::WaitUntil;

// A page's WebSocket, as a browser opens it; every read gives up after the test's deadline.
class PageSocket {
public:
    explicit PageSocket(int port, std::string origin = {}) : socket(io) {
        socket.next_layer().connect(
            {asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
        const timeval deadline{static_cast<long>(test::kDeadline.count() / 1000), 0};
        setsockopt(socket.next_layer().native_handle(), SOL_SOCKET, SO_RCVTIMEO, &deadline,
                   sizeof deadline);
        const std::string host = "127.0.0.1:" + std::to_string(port);
        if (origin.empty()) origin = "http://" + host;
        socket.set_option(websocket::stream_base::decorator(
            [origin](websocket::request_type& request) { request.set("Origin", origin); }));
        socket.handshake(host, "/ws");
        socket.text(true);
    }

    void Send(std::string_view message) { socket.write(asio::buffer(message)); }

    // The next message, or nothing once the server has closed the seat.
    std::optional<std::string> Next() {
        beast::flat_buffer buffer;
        beast::error_code error;
        socket.read(buffer, error);
        if (error) return std::nullopt;
        return beast::buffers_to_string(buffer.data());
    }

    // Waits for a message, alone or among others in an array.
    bool WaitFor(std::string_view message) {
        while (const auto next = Next()) {
            if (next->find(message) != std::string::npos) return true;
        }
        return false;
    }

    // The close code the server ended the seat with; messages before it are passed over.
    int CloseCode() {
        while (Next()) {
        }
        return socket.reason().code;
    }

    websocket::stream<tcp::socket>& Stream() { return socket; }

private:
    asio::io_context io;
    websocket::stream<tcp::socket> socket;
};

class BrowserSeat : public ::testing::Test {
protected:
    void Start(WebOptions options = {}, RelayOptions relayOptions = {}) {
        relay.emplace(reporter, relayOptions);
        ASSERT_TRUE(relay->Start(0));
        web.emplace(options, *relay);
        std::string error;
        ASSERT_TRUE(web->Start(0, error)) << error;
        port = web->Port();
        tcp = std::make_unique<TestPeer>(relay->ListeningPort());
        tcp->Send("Tcp\r\n");
        ASSERT_TRUE(tcp->WaitForLine("paddTcp\t0\r\n"));
    }

    // A raw HTTP exchange: the status line of the answer, or "" when the server closed first.
    std::string StatusOf(const std::string& request) {
        TestPeer peer(port);
        peer.Send(request);
        const auto line = peer.NextLine();
        return line ? line->substr(0, line->size() - 2) : "";
    }

    void TearDown() override {
        if (web) web->Stop();
        if (relay) relay->Close();
    }

    test::RecordingReporter reporter;
    std::optional<RelayServer> relay;
    std::optional<WebServer> web;
    std::unique_ptr<TestPeer> tcp;
    int port = 0;
};

TEST_F(BrowserSeat, ServesOnlyThePagesOwnFilesAndOnlyToGet) {
    Start();
    struct Case {
        std::string request;
        std::string status;
    };
    const std::string host = "Host: 127.0.0.1\r\n";
    const std::string upgrade =
        "Connection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Version: 13\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    for (const Case& c : std::vector<Case>{
             {"GET / HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 200 OK"},
             {"GET /app.js?v=1 HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 200 OK"},
             {"GET /style.css HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 200 OK"},
             {"GET /index.html HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 404 Not Found"},
             {"GET /../etc/passwd HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 404 Not Found"},
             {"GET /ws HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 404 Not Found"},
             {"POST / HTTP/1.1\r\n" + host + "Content-Length: 2\r\n\r\nhi",
              "HTTP/1.1 405 Method Not Allowed"},
             {"HEAD / HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 405 Method Not Allowed"},
             {"DELETE /app.js HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 405 Method Not Allowed"},
             {"GET / HTTP/1.1\r\n" + host + "X-Big: " + std::string(9000, 'x') + "\r\n\r\n",
              "HTTP/1.1 431 Request Header Fields Too Large"},
             // A seat only from this relay's own page.
             {"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + upgrade +
                  "\r\n",
              "HTTP/1.1 403 Forbidden"},
             {"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + upgrade +
                  "Origin: http://evil.example\r\n\r\n",
              "HTTP/1.1 403 Forbidden"},
             {"GET /chat HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + upgrade +
                  "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n\r\n",
              "HTTP/1.1 404 Not Found"},
             {"nonsense\r\n\r\n", ""},
         }) {
        SCOPED_TRACE(c.request.substr(0, 60));
        EXPECT_EQ(StatusOf(c.request), c.status);
    }
}

TEST_F(BrowserSeat, HeadersThatNeverFinishAreCutOffAndTheCauseIsLoggedOnce) {
    WebOptions options;
    options.requestTimeout = 1s;
    Start(options);
    const std::string request =
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(200, 'x');
    for (int browser = 0; browser < 2; ++browser) {
        TestPeer slow(port);
        const auto started = std::chrono::steady_clock::now();
        bool closed = false;
        // One byte at a time, each after the last had a moment to close the connection.
        for (std::size_t at = 0; at < request.size() && !closed; ++at) {
            slow.Send(request.substr(at, 1));
            closed = slow.WaitForClose(50ms);
        }
        EXPECT_TRUE(closed || slow.WaitForClose());
        EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    }
    const auto noted = [&] {
        const std::vector<std::string> lines = reporter.Lines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.starts_with("ブラウザ席：ページの要求：");
        });
    };
    EXPECT_TRUE(WaitUntil([&] { return noted() > 0; }))
        << ::testing::PrintToString(reporter.Lines());
    EXPECT_EQ(noted(), 1);
}

TEST_F(BrowserSeat, FramesOutsideTheRulesCloseTheSeatWithTheirCode) {
    Start();
    struct Case {
        std::string title;
        std::function<void(PageSocket&)> send;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"binary",
              [](PageSocket& p) {
                  p.Stream().binary(true);
                  p.Send("join\nAya");
              },
              1003},
             {"over 4 KB", [](PageSocket& p) { p.Send("say\nAya\n" + std::string(4096, 'x')); },
              1009},
             {"no UTF-8", [](PageSocket& p) { p.Send("join\n\xff\xfe"); }, 1007},
         }) {
        SCOPED_TRACE(c.title);
        PageSocket page(port);
        c.send(page);
        EXPECT_EQ(page.CloseCode(), c.code);
    }
    EXPECT_TRUE(WaitUntil([&] { return web->SeatCount() == 0; }));
    EXPECT_EQ(relay->ConnectedCount(), 1) << "none of them ever joined";
}

TEST_F(BrowserSeat, ASeatIsAParticipantLikeAnyOtherAndLeavesWhenItGoesSilent) {
    WebOptions options;
    options.pingTimeout = 2s;
    RelayOptions relayOptions;
    relayOptions.seatGrace = 1s;
    Start(options, relayOptions);
    PageSocket page(port);
    ASSERT_TRUE(page.Next()->starts_with(R"({"lists":{"dice":["1D[100]")")) << "the sample lists";
    page.Send("join\nAya");
    EXPECT_TRUE(page.WaitFor(R"({"add":"Aya"})"));
    EXPECT_TRUE(tcp->WaitForLine("paddAya\t1\r\n"));
    EXPECT_EQ(tcp->NextLine(), "talk\r\n");
    EXPECT_EQ(tcp->NextLine(), Sjis("talkAya がパーティに参加しました\r\n"));
    EXPECT_TRUE(reporter.WaitFor("接続：クライアント No.1 (ブラウザ 127.0.0.1)"));
    tcp->Send(Sjis("talkTcp：やあ\r\n"));
    EXPECT_TRUE(page.WaitFor(R"({"log":"Tcp：やあ"})"));

    // The page stops reading, so it answers no ping: the seat is closed, held for the grace
    // time, and leaves.
    EXPECT_TRUE(tcp->WaitForLine("pdel1\r\n"));
    EXPECT_EQ(tcp->NextLine(), "talk\r\n");
    EXPECT_EQ(tcp->NextLine(), Sjis("Aya がパーティから抜けました\r\n"));
}

// The conversation as a page follows it: the log texts by number, each number taken once.
struct Followed {
    std::string key;
    std::uint64_t next = 1;
    std::vector<std::string> logs;
    std::vector<std::uint64_t> numbers;
    std::vector<std::uint64_t> logNumbers;  // of each of logs
    std::string past;                       // the recent conversation's message, when one came

    // As if what came from the log text on had been lost on the way.
    void LoseFrom(std::string_view text) {
        const auto at = std::find(logs.begin(), logs.end(), text) - logs.begin();
        next = logNumbers[static_cast<std::size_t>(at)];
        logs.resize(static_cast<std::size_t>(at));
        logNumbers.resize(static_cast<std::size_t>(at));
        std::erase_if(numbers, [&](std::uint64_t n) { return n >= next; });
    }

    // Reads until a log message holding text has been taken.
    bool ReadUntil(PageSocket& page, std::string_view text) {
        static const std::regex item(
            R"re(\{"n":(\d+),"t":\d+\}|\{"key":"([0-9a-f]+)"\}|\{"(log|add|del)":("((?:[^"\\]|\\.)*)"|\d+))re");
        while (const auto frame = page.Next()) {
            if (const auto at = frame->find(R"({"past":[)"); at != std::string::npos) {
                past = frame->substr(at, frame->find("]}", at) - at);
            }
            std::uint64_t seq = 0;
            bool found = false;
            for (std::sregex_iterator at(frame->begin(), frame->end(), item), end; at != end;
                 ++at) {
                const std::smatch& m = *at;
                if (m[1].matched) {
                    seq = std::stoull(m[1]);
                } else if (m[2].matched) {
                    key = m[2];
                } else if (seq++ >= next) {
                    next = seq;
                    numbers.push_back(seq - 1);
                    if (m[3] == "log") {
                        logs.push_back(m[5]);
                        logNumbers.push_back(seq - 1);
                    }
                    found = found || (m[3] == "log" && m[5].str() == text);
                }
            }
            if (found) return true;
        }
        return false;
    }
};

TEST_F(BrowserSeat, APageThatComesBackGetsEveryLineItMissedOnceAndNobodySeesTheSeatLeave) {
    RelayOptions relayOptions;
    relayOptions.seatGrace = 30s;
    relayOptions.historyLines = 10;
    Start({}, relayOptions);
    tcp->Send(Sjis("talkTcp：前の話\r\n"));
    ASSERT_TRUE(tcp->WaitForLine(Sjis("talkTcp：前の話\r\n")));
    Followed followed;
    auto first = std::make_unique<PageSocket>(port);
    first->Send("join\nAya");
    ASSERT_TRUE(followed.ReadUntil(*first, "Aya がパーティに参加しました"));
    // The recent conversation came first, apart from the live one.
    EXPECT_TRUE(
        std::regex_search(followed.past, std::regex(R"(\{"t":\d{13},"log":"Tcp：前の話"\})")))
        << followed.past;
    ASSERT_EQ(followed.key.size(), 32u);
    const auto say = [&](int from, int to) {
        for (int n = from; n < to; ++n) tcp->Send(Sjis("talkTcp：" + std::to_string(n) + "\r\n"));
    };
    say(0, 10);
    ASSERT_TRUE(followed.ReadUntil(*first, "Tcp：9"));
    // The connection drops without a word, what was on its way with it, and the party goes
    // on meanwhile.
    first.reset();
    followed.LoseFrom("Tcp：5");
    say(10, 20);
    tcp->Send(Sjis("talkTcp：確認\r\n"));
    std::optional<std::string> line;
    while ((line = tcp->NextLine()) && *line != Sjis("talkTcp：確認\r\n")) {
        EXPECT_FALSE(line->starts_with("pdel")) << "nobody sees the seat leave";
    }

    PageSocket second(port);
    second.Send("resume\n" + followed.key + "\n" + std::to_string(followed.next));
    ASSERT_TRUE(second.WaitFor(R"({"resumed":true})"));
    ASSERT_TRUE(followed.ReadUntil(second, "Tcp：19"));
    // Every line once, in order, whichever of them the first connection had brought.
    std::vector<std::string> expected = {"", "Aya がパーティに参加しました", ""};
    for (int n = 0; n < 20; ++n) expected.push_back("Tcp：" + std::to_string(n));
    expected.insert(expected.begin() + 3 + 20, "Tcp：確認");
    EXPECT_EQ(followed.logs, expected);
    EXPECT_TRUE(std::is_sorted(followed.numbers.begin(), followed.numbers.end()));
    EXPECT_EQ(std::adjacent_find(followed.numbers.begin(), followed.numbers.end()),
              followed.numbers.end());

    // A third connection with the key takes the seat over; a key that holds nothing, nothing.
    PageSocket third(port);
    third.Send("resume\n" + followed.key + "\n" + std::to_string(followed.next));
    EXPECT_TRUE(third.WaitFor(R"({"resumed":true})"));
    EXPECT_TRUE(second.WaitFor(R"({"replaced":true})"));
    EXPECT_EQ(second.CloseCode(), 1008);
    PageSocket stranger(port);
    stranger.Send("resume\n0123456789abcdef0123456789abcdef\n1");
    EXPECT_TRUE(stranger.WaitFor(R"({"resumed":false})"));
    EXPECT_EQ(relay->ConnectedCount(), 2);

    // 退出 ends the seat at once.
    third.Send("leave");
    EXPECT_TRUE(tcp->WaitForLine("pdel1\r\n"));
    EXPECT_EQ(third.CloseCode(), 1000);
}

TEST_F(BrowserSeat, AFullPartySaysSoAndTheSeatIsClosed) {
    WebOptions options;
    options.maxSeats = 1;
    Start(options);
    PageSocket first(port);
    ASSERT_TRUE(first.Next());
    PageSocket second(port);
    EXPECT_EQ(second.Next(),
              R"([{"notice":"パーティが満員です。しばらくしてから再接続してください。"},)"
              R"({"full":true}])");
    EXPECT_EQ(second.CloseCode(), 1013);
    EXPECT_TRUE(WaitUntil([&] { return web->SeatCount() == 1; }));
}

TEST_F(BrowserSeat, ASeatTheRelayTurnsAwaySaysSo) {
    RelayOptions oneFromEachAddress;
    oneFromEachAddress.perAddress = 1;
    Start({}, oneFromEachAddress);  // the TCP participant from this machine is the one
    PageSocket page(port);
    page.Send("join\nAya");
    EXPECT_TRUE(page.WaitFor(
        R"({"notice":"パーティに参加できませんでした。満員か、同じ場所からの接続が多すぎます。"})"));
    EXPECT_EQ(page.CloseCode(), 1000);
}

TEST_F(BrowserSeat, AFloodFromThePageMeetsTheRelaysFloodLimit) {
    RelayOptions relayOptions;
    relayOptions.floodLimit = 20;
    Start({}, relayOptions);
    PageSocket page(port);
    page.Send("join\nAya");
    ASSERT_TRUE(tcp->WaitForLine("paddAya\t1\r\n"));
    ASSERT_TRUE(tcp->WaitForLine("talk\r\n"));
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 60; ++i) page.Send("say\nAya\n" + std::to_string(i));
    EXPECT_TRUE(tcp->WaitForLine(Sjis("talkAya：59\r\n")));
    // A second's worth leaves at once, the other 40 lines at 20 a second.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1500ms);
}

// A self-signed certificate for 127.0.0.1 and its key, as PEM files in folder.
void WriteSelfSignedCertificate(const test::TempFolder& folder) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    X509_sign(certificate, key, EVP_sha256());
    const auto pem = [](auto write) {
        BIO* memory = BIO_new(BIO_s_mem());
        write(memory);
        char* bytes = nullptr;
        const long size = BIO_get_mem_data(memory, &bytes);
        std::string text(bytes, static_cast<std::size_t>(size));
        BIO_free(memory);
        return text;
    };
    folder.Write("cert.pem", pem([&](BIO* out) { PEM_write_bio_X509(out, certificate); }));
    folder.Write("key.pem", pem([&](BIO* out) {
                     PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
                 }));
    X509_free(certificate);
    EVP_PKEY_free(key);
}

TEST_F(BrowserSeat, WithACertificateThePageAndItsSeatsAreServedOverTlsOnly) {
    test::TempFolder folder;
    WriteSelfSignedCertificate(folder);
    WebOptions options;
    options.certificateFile = (folder.Path() / "cert.pem").string();
    options.keyFile = (folder.Path() / "key.pem").string();
    Start(options);

    asio::io_context io;
    asio::ssl::context tls(asio::ssl::context::tls_client);
    tls.set_verify_mode(asio::ssl::verify_none);  // self-signed
    const auto connect = [&](websocket::stream<beast::ssl_stream<tcp::socket>>& stream) {
        tcp::socket& socket = beast::get_lowest_layer(stream);
        socket.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
        const timeval deadline{static_cast<long>(test::kDeadline.count() / 1000), 0};
        setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
        stream.next_layer().handshake(asio::ssl::stream_base::client);
    };
    const std::string host = "127.0.0.1:" + std::to_string(port);

    // The page itself over https.
    websocket::stream<beast::ssl_stream<tcp::socket>> fetch(io, tls);
    connect(fetch);
    asio::write(fetch.next_layer(), asio::buffer("GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n"));
    std::string answer;
    asio::read_until(fetch.next_layer(), asio::dynamic_buffer(answer), "</html>");
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer.substr(0, 40);
    EXPECT_NE(answer.find("<html lang=\"ja\">"), std::string::npos);

    // A seat over wss, from the page's https origin.
    websocket::stream<beast::ssl_stream<tcp::socket>> page(io, tls);
    connect(page);
    page.set_option(websocket::stream_base::decorator(
        [host](websocket::request_type& request) { request.set("Origin", "https://" + host); }));
    page.handshake(host, "/ws");
    page.text(true);
    page.write(asio::buffer(std::string_view("join\nAya")));
    EXPECT_TRUE(tcp->WaitForLine("paddAya\t1\r\n"));

    // Plain HTTP gets no page from it.
    EXPECT_EQ(StatusOf("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"), "");

    // A key that cannot be read is named, and nothing listens.
    options.keyFile = (folder.Path() / "missing.pem").string();
    WebServer broken(options, *relay);
    std::string error;
    EXPECT_FALSE(broken.Start(0, error));
    EXPECT_NE(error.find("missing.pem"), std::string::npos) << error;
}

}  // namespace
}  // namespace vesk::web
