// Three boards play one league through real binkd mailers on loopback: each
// has its own door directory, callers who play through the door, and its own
// binkd, and the members' mailers know the coordinator's alone. Standings go
// out with `league send`, cross in binkd poll sessions, come in with `league
// receive`, and /L on every board shows the pimps of all three. Then bad and
// forged files are refused, each with its log line, and change nothing; a
// winner on one board is news, once, on another; a board taken out leaves
// every board's league; and a new league game starts.
#include "league/league_e2e_testing.h"

namespace {

TEST_F(LeagueE2eTest, ThreeBoardsShareStandingsThroughBinkdAndRefuseBadPackets) {
  SetUpLeague();
  for (Board& board : boards_) {
    StartServer(board);
    PlayFirstCall(board, "Caller " + std::to_string(board.number),
                  kPimps[static_cast<size_t>(board.number - 1)]);
    Sysop(board, "edit 1 cash=" + std::to_string(kCash[static_cast<size_t>(board.number - 1)]));
  }

  // Round one: the coordinator's send carries the member list; a member's
  // standings go to the coordinator alone, who passes them on as they came.
  EXPECT_NE(Sysop(boards_[0], "league send").find("queued PIMPNET_1_"), std::string::npos);
  const std::string first_packet = [&] {
    for (const auto& entry : fs::directory_iterator(boards_[0].door + "/league-held")) {
      if (entry.path().extension() == ".kdl") return ReadWholeFile(entry.path());
    }
    return std::string();
  }();
  ASSERT_FALSE(first_packet.empty());
  EXPECT_TRUE(fs::exists(boards_[0].mail + "/outbound/000100c8.flo"));
  for (size_t i = 1; i < boards_.size(); ++i) {
    const std::string sent = Sysop(boards_[i], "league send");
    EXPECT_NE(sent.find("for board 1 (21:1/100)"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("for board " + std::to_string(5 - i)), std::string::npos) << sent;
  }
  PollAll();
  for (size_t i = 1; i < boards_.size(); ++i) {
    const std::string received = Sysop(boards_[i], "league receive");
    EXPECT_NE(received.find("the member list, 3 boards"), std::string::npos) << received;
    EXPECT_NE(received.find("board 1 (Board One), 1 players"), std::string::npos) << received;
  }
  const std::string relayed = Sysop(boards_[0], "league receive");
  EXPECT_NE(relayed.find("queued PIMPNET_2_"), std::string::npos) << relayed;
  EXPECT_NE(relayed.find("2 accepted, 0 refused"), std::string::npos) << relayed;
  ExchangeRound();
  EXPECT_NE(Sysop(boards_[1], "league send").find("nothing new to send\n"), std::string::npos);
  // What is offered again now is what the members have already: nothing new.
  PollAll();
  for (size_t i = 1; i < boards_.size(); ++i) {
    const std::string again = Sysop(boards_[i], "league receive");
    EXPECT_NE(again.find("0 accepted, 0 refused"), std::string::npos) << again;
  }
  const std::string show = Sysop(boards_[0], "league show");
  EXPECT_EQ(CountOf(show, "\tnever\n"), 0u) << show;

  for (Board& board : boards_) {
    const std::string screen = LeagueScreen(board, "Caller " + std::to_string(board.number));
    EXPECT_NE(screen.find("Pimp Net"), std::string::npos) << screen;
    for (size_t i = 0; i < kBoards; ++i) {
      EXPECT_NE(screen.find(kPimps[i]), std::string::npos) << board.number << ":\n" << screen;
      EXPECT_NE(screen.find(kBoardNames[i].substr(0, 24)), std::string::npos) << screen;
    }
    // Best first across the boards, and the boards ranked by their pimps.
    EXPECT_LT(screen.find(kPimps[2]), screen.find(kPimps[0])) << screen;
    EXPECT_LT(screen.find(kPimps[0]), screen.find(kPimps[1])) << screen;
    const char* places[] = {"2nd of 3 boards", "3rd of 3 boards", "1st of 3 boards"};
    EXPECT_NE(screen.find(places[board.number - 1]), std::string::npos) << screen;
    // Real names never leave a board.
    for (int other = 1; other <= kBoards; ++other) {
      if (other != board.number) {
        EXPECT_EQ(screen.find("Caller " + std::to_string(other)), std::string::npos) << screen;
      }
    }
  }

  const std::string bulletin = boards_[2].door + "/league";
  Sysop(boards_[2], "bulletin --league --asc " + bulletin + ".asc --html " + bulletin + ".html");
  const std::string asc = ReadWholeFile(bulletin + ".asc"), html = ReadWholeFile(bulletin + ".html");
  for (size_t i = 0; i < kBoards; ++i) {
    EXPECT_NE(asc.find(kPimps[i]), std::string::npos) << asc;
    EXPECT_NE(asc.find(kBoardNames[i]), std::string::npos) << asc;
    EXPECT_NE(html.find(kPimps[i]), std::string::npos) << html;
  }
  EXPECT_NE(html.find("Pimps &amp; Pros BBS"), std::string::npos) << html;
  EXPECT_EQ(html.find("Pimps & Pros"), std::string::npos) << html;

  // Board 1 sends again; board 2 takes that newer packet, so the first one is
  // an old one replayed.
  Sysop(boards_[0], "league send --force");
  std::string newer;
  for (const auto& entry : fs::directory_iterator(boards_[0].door + "/league-held")) {
    if (entry.path().extension() == ".kdl" && entry.path().filename().string().find("PIMPNET_1_") == 0) {
      newer = ReadWholeFile(entry.path());
    }
  }
  ASSERT_FALSE(newer.empty());
  Poll(boards_[0], boards_[1]);
  EXPECT_NE(Sysop(boards_[1], "league receive").find("1 accepted, 0 refused"), std::string::npos);

  const Board& target = boards_[1];
  const std::string inbound = target.mail + "/inbound/";
  std::string altered = newer;
  const size_t name_at = altered.find(kPimps[0]);
  ASSERT_NE(name_at, std::string::npos);
  altered[name_at + 2] ^= 0x01;
  WriteScratchFile(inbound + "PIMPNET_1_altered.kdl", altered);
  WriteScratchFile(inbound + "PIMPNET_1_old.kdl", first_packet);
  WriteScratchFile(inbound + "PIMPNET_1_cut.kdl", newer.substr(0, newer.size() / 2));
  // A stranger: a board of its own league's making, not in this member list.
  Board stranger{9, MakeDoorDir(), "", "21:1/900", 0, -1};
  Sysop(stranger, "league keygen");
  Sysop(stranger, "league join league=PIMPNET board=9 board-name=Stranger address=21:1/900 "
                  "outbound=" + stranger.door + "/outbound inbound=" + stranger.door +
                  "/inbound coordinator=1 coordinator-address=21:1/100 coordinator-key=" +
                  PublicKey(stranger));
  Sysop(stranger, "league send --force");
  Board elsewhere{3, MakeDoorDir(), "", "21:1/300", 0, -1};
  Sysop(elsewhere, "league keygen");
  Sysop(elsewhere, "league init league=OTHER board=3 board-name=Elsewhere address=21:1/300 "
                   "outbound=" + elsewhere.door + "/outbound inbound=" + elsewhere.door + "/inbound");
  Sysop(elsewhere, "league add 2 21:1/200 " + PublicKey(target) + " Board Two");
  Sysop(elsewhere, "league send --force");
  for (const auto& [from, name] : {std::pair{&stranger, "PIMPNET_9_x.kdl"},
                                   std::pair{&elsewhere, "OTHER_3_x.kdl"}}) {
    for (const auto& entry : fs::directory_iterator(from->door + "/league-held")) {
      if (entry.path().extension() == ".kdl") fs::copy_file(entry.path(), inbound + name);
    }
    RemoveDoorDir(from->door);
  }

  // Board 3 poses as board 1, and then sends figures no player can reach.
  const Board& poser = boards_[2];
  WriteScratchFile(inbound + "PIMPNET_3_pose.kdl", Signed(poser, [](ScorePacket& p) {
              p.board_name = "Board One";
              p.winner = kPimps[2];
              p.win_date = p.date;
            }));
  WriteScratchFile(inbound + "PIMPNET_3_forever.kdl", Signed(poser, [](ScorePacket& p) {
              p.winner = kPimps[2];
              p.win_date = INT64_MAX;
            }));
  WriteScratchFile(inbound + "PIMPNET_3_worth.kdl",
            Signed(poser, [](ScorePacket& p) { p.players[0].worth = INT64_MAX; }));
  // Nor is anything but a file the tool may read left to be met every run,
  // and no name reaches the log or the terminal with its control bytes.
  fs::create_symlink(target.door + "/kordavin.ply", inbound + "link.kdl");
  fs::create_directory(inbound + "dir.kdl");
  ASSERT_EQ(mkfifo((inbound + "pipe.kdl").c_str(), 0644), 0);
  WriteScratchFile(inbound + "evil\x1b[2J\n2026-12-09 04:30:01 accepted.kdl", "junk");

  const std::string standings = ReadWholeFile(target.door + "/kordavin.lgd");
  const std::string news = ReadWholeFile(target.door + "/kordavin.msg");
  const std::string refused = Sysop(target, "league receive");
  EXPECT_NE(refused.find("0 accepted, 12 refused"), std::string::npos) << refused;
  EXPECT_EQ(refused.find('\x1b'), std::string::npos) << refused;
  const std::string log = ReadWholeFile(target.door + "/league.log");
  for (const char* line : {"refused PIMPNET_1_altered.kdl: bad signature",
                           "refused PIMPNET_1_old.kdl: replay", "refused PIMPNET_1_cut.kdl: truncated",
                           "refused PIMPNET_9_x.kdl: unknown board",
                           "refused OTHER_3_x.kdl: another league",
                           "refused PIMPNET_3_pose.kdl: name not as listed",
                           "refused PIMPNET_3_forever.kdl: out of range",
                           "refused PIMPNET_3_worth.kdl: out of range",
                           "refused link.kdl: not a regular file (moved to bad/)",
                           "refused dir.kdl: not a regular file (moved to bad/)",
                           "refused pipe.kdl: not a regular file (moved to bad/)",
                           "refused evil?[2J?2026-12-09 04:30:01 accepted.kdl: not a league packet"}) {
    EXPECT_EQ(CountOf(log, line), 1u) << line << "\n" << log;
  }
  EXPECT_EQ(log.find('\x1b'), std::string::npos) << log;
  for (const char* name : {"PIMPNET_1_altered.kdl", "PIMPNET_1_old.kdl", "PIMPNET_1_cut.kdl",
                           "PIMPNET_9_x.kdl", "OTHER_3_x.kdl", "PIMPNET_3_pose.kdl", "link.kdl",
                           "dir.kdl", "pipe.kdl"}) {
    EXPECT_TRUE(fs::exists(target.door + "/bad/" + name)) << name;
    EXPECT_FALSE(fs::exists(inbound + name)) << name;
  }
  EXPECT_EQ(ReadWholeFile(target.door + "/kordavin.lgd"), standings);
  EXPECT_EQ(ReadWholeFile(target.door + "/kordavin.msg"), news);

  // Board 1's game is won: board 2's caller hears of it at his next call, once.
  GameConfig won;
  won.WinnerName = kPimps[0];
  won.WinnerAlias = "Caller 1";
  const ConfigBytes config = EncodeConfig(won);
  WriteScratchFile(boards_[0].door + "/kordavin.cfg",
            std::string(reinterpret_cast<const char*>(config.data()), config.size()) +
                std::string(128 - config.size(), '\0'));
  Sysop(boards_[0], "league send");
  Poll(boards_[0], target);
  Sysop(target, "league receive");
  // Twenty more, each with a win date of its own, tell nobody again.
  for (int i = 1; i <= 20; ++i) {
    WriteScratchFile(inbound + "PIMPNET_1_again" + std::to_string(i) + ".kdl",
              Signed(boards_[0], [i](ScorePacket& p) { p.win_date -= i; }));
  }
  EXPECT_NE(Sysop(target, "league receive").find("20 accepted, 0 refused"), std::string::npos);
  const std::string news_line = "Slick Rick of Board One bought Flaming Sheinen's on ";
  for (int call = 1; call <= 2; ++call) {
    Caller caller = Call(target, "Caller 2");
    if (call == 1) Answer(caller, "[-*-]", "\r");
    Quit(caller);
    EXPECT_EQ(CountOf(caller.run->output, news_line), call == 1 ? 1u : 0u) << caller.run->output;
  }

  // Board 3 is taken out: the next member list leaves it out of every
  // board's league and tells it so; what it sends after is refused.
  const std::string late = Signed(poser, [](ScorePacket&) {});
  Sysop(boards_[0], "league remove 3");
  const std::string told = Sysop(boards_[0], "league send");
  EXPECT_NE(told.find("for board 3 (21:1/300)"), std::string::npos) << told;
  PollAll();
  for (Board& board : boards_) Sysop(board, "league receive");
  // Board 1's own game is over: its callers meet the winner, its bulletin tells.
  const std::string screen = LeagueScreen(target, "Caller 2");
  EXPECT_EQ(screen.find(kPimps[2]), std::string::npos) << screen;
  EXPECT_NE(screen.find("2nd of 2 boards"), std::string::npos) << screen;
  Sysop(boards_[0], "bulletin --league --asc " + boards_[0].door + "/out.asc");
  EXPECT_EQ(ReadWholeFile(boards_[0].door + "/out.asc").find(kPimps[2]), std::string::npos);
  const std::string out = LeagueScreen(poser, "Caller 3", "no longer in the");
  EXPECT_EQ(out.find("top pimps"), std::string::npos) << out;
  EXPECT_NE(Sysop(poser, "league send", 2).find("no longer in the Pimp Net league"), std::string::npos);
  WriteScratchFile(boards_[0].mail + "/inbound/PIMPNET_3_after.kdl", late);
  const std::string after = Sysop(boards_[0], "league receive");
  EXPECT_NE(after.find("refused PIMPNET_3_after.kdl: unknown board"), std::string::npos) << after;
  EXPECT_EQ(after.find("queued PIMPNET_3_"), std::string::npos) << after;

  // A new league game: game 1 went to board 1's winner, into the hall of
  // fame; standings of game 1 are not mixed into game 2.
  Sysop(boards_[0], "league start-game");
  Sysop(boards_[0], "league send");
  Poll(target, boards_[0]);
  WriteScratchFile(inbound + "PIMPNET_1_game1.kdl", Signed(boards_[0], [](ScorePacket& p) { p.game = 1; }));
  const std::string game2 = Sysop(target, "league receive");
  EXPECT_NE(game2.find("refused PIMPNET_1_game1.kdl: another league game"), std::string::npos)
      << game2;
  EXPECT_NE(game2.find("the member list, 2 boards"), std::string::npos) << game2;
  const std::string fame = LeagueScreen(target, "Caller 2", "Game 1");
  EXPECT_NE(fame.find("Hall of fame"), std::string::npos) << fame;
  Sysop(target, "bulletin --league --asc " + target.door + "/fame.asc");
  const std::string bulletin_fame = ReadWholeFile(target.door + "/fame.asc");
  EXPECT_NE(bulletin_fame.find("Game 1"), std::string::npos) << bulletin_fame;
  EXPECT_NE(bulletin_fame.find("Slick Rick of Board One"), std::string::npos) << bulletin_fame;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kTimed = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kTimed = false;
#else
constexpr bool kTimed = true;
#endif
#else
constexpr bool kTimed = true;
#endif

// A full league: 255 boards of 10,000 pimps each. This member board's own
// send ranks its 10,000 and sends its best; its receive takes the other 254
// boards' packets; /L then ranks them all. The figures are the README's;
// the limits are checked where nothing slows the program down on purpose.
// Files are put in the inbound by hand: no mailer is needed.
class LeagueScaleE2eTest : public LeagueE2eTest {
 protected:
  LeagueScaleE2eTest() { needs_binkd_ = false; }
};

TEST_F(LeagueScaleE2eTest, TwoHundredFiftyFiveBoardsOfTenThousandPimps) {
  constexpr int kLeagueBoards = 255;
  constexpr int kPimpsPerBoard = 10000;
  ASSERT_TRUE(StartSodium());
  Board& own = boards_[0];
  Sysop(own, "league keygen");
  Sysop(own, "league init league-name='Big League' " + Settings(own));
  LeagueSettings settings;
  std::string error;
  ASSERT_TRUE(ReadLeagueSettings(own.door + "/", settings, error)) << error;
  std::vector<SecretKey> keys(kLeagueBoards + 1);
  for (int board = 2; board <= kLeagueBoards; ++board) {
    LeagueMember member{static_cast<uint8_t>(board), "Board Number " + std::to_string(board),
                        "21:2/" + std::to_string(board), {}};
    crypto_sign_keypair(member.key.data(), keys[static_cast<size_t>(board)].data());
    settings.members.push_back(member);
  }
  // The same league on its coordinator, on a door of its own: there the
  // receive also keeps each packet and offers it to the 253 other members.
  Board& hub = boards_[1];
  LeagueSettings hub_settings = settings;
  hub_settings.outbound = hub.mail + "/outbound";
  hub_settings.inbound = hub.mail + "/inbound";
  ASSERT_TRUE(WriteLeagueSettings(hub.door + "/", hub_settings, error)) << error;
  for (const char* key : {"/kordavin.league.key", "/kordavin.league.pub"}) {
    fs::copy_file(own.door + key, hub.door + key);
  }
  // A member's receive: the coordinator's relay is not what is timed.
  settings.coordinator = 2;
  ASSERT_TRUE(WriteLeagueSettings(own.door + "/", settings, error)) << error;

  std::string players;
  for (int i = 0; i < kPimpsPerBoard; ++i) {
    PlayerRecord player = NewPlayer();
    // Names of the longest kind make the largest packets.
    player.Name = "Home Pimp " + std::to_string(i);
    player.Name.resize(30, 'x');
    player.BbsAlias = "Home Caller " + std::to_string(i);
    player.Cash = 1000 + i * 7;
    const PlayerBytes bytes = EncodePlayer(player);
    players.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  WriteScratchFile(own.door + "/kordavin.ply", players);
  auto start = std::chrono::steady_clock::now();
  const std::string sent = Sysop(own, "league send");
  const auto send_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start).count();
  const size_t bytes_at = sent.find("1000 players, ");
  ASSERT_NE(bytes_at, std::string::npos) << sent;
  const long packet_bytes = std::atol(sent.c_str() + bytes_at + 14);
  EXPECT_LT(packet_bytes, 1 << 20);

  for (int board = 2; board <= kLeagueBoards; ++board) {
    ScorePacket packet;
    packet.league = "PIMPNET";
    packet.board = static_cast<uint8_t>(board);
    packet.sequence = 7;
    packet.game = 1;
    packet.date = 1796800000;
    packet.board_name = "Board Number " + std::to_string(board);
    for (int i = 0; i < static_cast<int>(kMaxPacketPlayers); ++i) {
      const int64_t worth = int64_t{board} * 100000 + (kPimpsPerBoard - i);
      std::string name = "Pimp " + std::to_string(board) + "-" + std::to_string(i) + " ";
      name.resize(30, 'x');
      packet.players.push_back({name, static_cast<int32_t>(worth), 0, 1, 1, worth});
    }
    const std::string bytes = SignPacket(EncodeScorePacket(packet), keys[static_cast<size_t>(board)]);
    for (const Board* to : {&own, &hub}) {
      WriteScratchFile(to->mail + "/inbound/PIMPNET_" + std::to_string(board) + "_7.kdl", bytes);
    }
  }
  start = std::chrono::steady_clock::now();
  const std::string received = Sysop(own, "league receive");
  const auto receive_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(received.find("254 accepted, 0 refused"), std::string::npos) << received.substr(0, 400);
  start = std::chrono::steady_clock::now();
  const std::string relayed = Sysop(hub, "league receive");
  const auto relay_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(relayed.find("254 accepted, 0 refused"), std::string::npos) << relayed.substr(0, 400);
  EXPECT_EQ(CountOf(relayed, "queued 253 files for board "), 254u) << relayed.substr(0, 400);

  Caller caller = Call(own, "Newcomer");
  Answer(caller, "Would you like to play? [Y/N] ", "y");
  Answer(caller, "Enter your Pimp Name : ", "Newcomer\r");
  Answer(caller, "for online documentation.", "\r");
  Answer(caller, "& MAIN]: ", "");
  start = std::chrono::steady_clock::now();
  Answer(caller, "", "/L");
  // The first screen ends at the first pause.
  Answer(caller, "[-*-]", "");
  const auto screen_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(caller.run->output.find("Pimp 255-0 "), std::string::npos);
  std::cout << "league at scale: send of " << kPimpsPerBoard << " pimps " << send_ms << " ms, "
            << packet_bytes << " bytes; receive of " << kLeagueBoards - 1 << " packets "
            << receive_ms << " ms, on the coordinator " << relay_ms << " ms; /L first screen "
            << screen_ms << " ms\n";
  if (kTimed) {
    EXPECT_LT(receive_ms, 2000);
    EXPECT_LT(relay_ms, 2 * receive_ms);
    EXPECT_LT(screen_ms, 50);
  }
  // Three screens of twenty: two pauses.
  Answer(caller, "", "\r");
  Answer(caller, "[-*-]", "\r");
  Quit(caller);
}

// The nightly send and receive of one board at the same moment, a hundred
// times, each time with a new member list arriving: none is lost, and
// neither run fails for the other.
TEST_F(LeagueScaleE2eTest, SendAndReceiveAtOnceLoseNoMemberList) {
  ASSERT_TRUE(StartSodium());
  Board& coordinator = boards_[0];
  Board& member = boards_[1];
  SetUpLeague();
  SecretKey key{};
  std::string error;
  ASSERT_TRUE(LoadSecretKey(coordinator.door + "/", key, error)) << error;
  LeagueSettings listed;
  ASSERT_TRUE(ReadLeagueSettings(coordinator.door + "/", listed, error)) << error;
  const auto start = [&](const std::string& args) {
    return popen((std::string(KORDAVIN_SYSOP_BINARY) + " --dir " + member.door + " " + args +
                  " 2>&1").c_str(), "r");
  };
  const auto finish = [](FILE* pipe, std::string& output) {
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    return WEXITSTATUS(pclose(pipe));
  };
  for (int run = 0; run < 100; ++run) {
    MemberList list{2, "PIMPNET", 1, listed.members_sequence + 1 + static_cast<uint32_t>(run),
                    time(nullptr), "Pimp Net", 1, listed.game_start, 0, listed.members};
    LeagueMember newcomer{static_cast<uint8_t>(10 + run), "Newcomer " + std::to_string(run),
                          "21:2/" + std::to_string(run), {}};
    newcomer.key[0] = static_cast<uint8_t>(run + 1);
    list.members.push_back(newcomer);
    WriteScratchFile(member.mail + "/inbound/PIMPNET_1_" + std::to_string(list.sequence) + ".kdm",
              SignPacket(EncodeMemberList(list), key));
    FILE* send = start("league send --force");
    FILE* receive = start("league receive");
    std::string sent, received;
    ASSERT_EQ(finish(send, sent), 0) << sent;
    ASSERT_EQ(finish(receive, received), 0) << received;
    LeagueSettings now;
    ASSERT_TRUE(ReadLeagueSettings(member.door + "/", now, error)) << error;
    ASSERT_EQ(now.members_sequence, list.sequence) << "run " << run << "\n" << received;
    ASSERT_NE(FindMember(now, newcomer.board), nullptr) << "run " << run;
  }
}

// Set-up mistakes are refused before anything is written, so no league
// command is left unable to read the settings.
TEST_F(LeagueScaleE2eTest, SetUpMistakesAreRefusedWhole) {
  ASSERT_TRUE(StartSodium());
  Board& coordinator = boards_[0];
  Board& member = boards_[1];
  Sysop(coordinator, "league keygen");
  Sysop(member, "league keygen");
  Sysop(coordinator, "league init league-name='Pimp Net' " + Settings(coordinator));
  const std::string join = "league join " + Settings(member) + " board-name=\"Rick's Place\"" +
                           " coordinator=1 coordinator-key=" + PublicKey(coordinator);
  const std::string bad = Sysop(member, join + " coordinator-address=21:1", 2);
  EXPECT_NE(bad.find("board 1's address is not zone:net/node"), std::string::npos) << bad;
  EXPECT_FALSE(fs::exists(member.door + "/kordavin.league"));
  const std::string joined = Sysop(member, join + " coordinator-address=" + coordinator.address);
  const size_t at = joined.find("kordavin-sysop league add");
  ASSERT_NE(at, std::string::npos) << joined;
  Sysop(coordinator, joined.substr(at + 15, joined.find('\n', at) - at - 15));
  LeagueSettings settings;
  std::string error;
  ASSERT_TRUE(ReadLeagueSettings(coordinator.door + "/", settings, error)) << error;
  ASSERT_NE(FindMember(settings, 2), nullptr);
  EXPECT_EQ(FindMember(settings, 2)->name, "Rick's Place");

  fs::remove_all(member.mail + "/inbound");
  EXPECT_NE(Sysop(member, "league receive", 2).find("is not a directory"), std::string::npos);
  fs::create_directories(member.mail + "/inbound");

  // A list the coordinator signed with one line no board can use.
  SecretKey key{};
  ASSERT_TRUE(LoadSecretKey(coordinator.door + "/", key, error)) << error;
  MemberList list{2, "PIMPNET", 1, settings.members_sequence + 1, time(nullptr), "Pimp Net", 1,
                  settings.game_start, 0, settings.members};
  list.members.push_back({7, "Seventh", "21:1", {}});
  WriteScratchFile(member.mail + "/inbound/PIMPNET_1_bad.kdm", SignPacket(EncodeMemberList(list), key));
  const std::string before = ReadWholeFile(member.door + "/kordavin.league");
  EXPECT_NE(Sysop(member, "league receive").find("refused PIMPNET_1_bad.kdm: out of range"),
            std::string::npos);
  EXPECT_EQ(ReadWholeFile(member.door + "/kordavin.league"), before);
  EXPECT_NE(Sysop(member, "league show").find("coordinator: board 1"), std::string::npos);
}

}  // namespace
