#pragma once

// The status bar's words for a failed session. The socket, the TLS channel and the login raise
// several of the same failures; kept here so that they say them alike.
struct TFailureText {
    // Opening
    static constexpr char NoWinsock[] = "WinSockの初期化失敗";
    static constexpr char NoSocket[] = "ソケット作成失敗";
    static constexpr char NoHost[] = "通信出来ません。";
    static constexpr char NoConnection[] = "接続できません。";
    // The connection
    static constexpr char CommError[] = "通信エラー";
    static constexpr char TimeOut[] = "タイムアウトしました。";
    static constexpr char Disconnected[] = "切断されています。";
    static constexpr char Desync[] =
        "サーバの応答が送ったコマンドと食い違ったため、接続を切りました。サーバ上のメールは変わって"
        "いません。";
    // The server's response codes
    static constexpr char InUse[] = "メールボックスは他のプログラムが使用中です。";
    static constexpr char LoginTooSoon[] = "ログインの間隔が短すぎるため、サーバに断られました。";
    static constexpr char WaitAWhile[] = "しばらく待ってから接続してください。";
    // The login
    static constexpr char LoginRefused[] = "ユーザ名、パスワードが違います。";
    static constexpr char NoStartTls[] =
        "このサーバは STARTTLS に対応していません。ユーザ名とパスワードは送っていません。"
        "プロバイダの案内で「接続の保護」を確かめてください。";
    static constexpr char Xoauth2NeedsTls[] =
        "OAuth 2.0 のサインインは SSL/TLS か STARTTLS の接続でだけ使えます。";
    static constexpr char TokenRefused[] =
        "サーバがサインインを受け付けませんでした。サインインしたアカウントがユーザ名と同じか、"
        "アカウントで POP が有効かを確かめてください。";
    // Encryption
    static constexpr char TlsClosed[] = "暗号化の手順の途中でサーバが接続を切りました。";
    static constexpr char TlsHandshake[] = "暗号化された接続を確立できませんでした。";
    static constexpr char TlsOldProtocol[] = "サーバが TLS 1.2 以上に対応していません。";
    static constexpr char TlsDecrypt[] = "暗号化された通信を読めませんでした。";
    static constexpr char TlsWeak[] =
        "サーバとの暗号化に必要な保護が得られなかったため、接続を中止しました。";
    static constexpr char TlsUnavailable[] = "この環境では暗号化された接続を使えません。";
};
