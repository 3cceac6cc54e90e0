#!/usr/bin/env python3
"""Writes the demo mailbox: a fixed set of Japanese messages as raw RFC 822 files.

    python3 demo/make-demo-mail.py [output-dir]      (default: demo/mail beside this script)

The output is deterministic, so the committed files can be checked against a fresh run. Headers are
built by hand rather than with the email package, because the point is to show the forms that real
Japanese mailers send: encoded words with the charset in either case, raw JIS bytes, folded lines,
and words in UTF-8, Shift_JIS and EUC-JP, B and Q, from web mail, phones and older mailers.
"""
import base64
import os
import random
import sys

DEMO_ADDRESS = "demo@prunebox.example"


# --- ISO-2022-JP helpers -------------------------------------------------------------------------

def jis(text):
    """The ISO-2022-JP bytes of text; every run of two-byte characters is closed with ESC ( B."""
    return text.encode("iso2022_jp")


def encoded_words(text, charset="ISO-2022-JP", chars_per_word=17):
    """RFC 2047 B-encoded words, each one self-contained (it starts and ends in ASCII mode),
    holding at most chars_per_word characters and within the 75-character limit. Returns the list
    of words."""
    def word(piece):
        return "=?%s?B?%s?=" % (charset, base64.b64encode(jis(piece)).decode("ascii"))

    words, piece = [], ""
    for c in text:
        if piece and (len(piece) == chars_per_word or len(word(piece + c)) > 75):
            words.append(word(piece))
            piece = ""
        piece += c
    if piece:
        words.append(word(piece))
    return words


def encoded(text, charset="ISO-2022-JP"):
    """One header value of encoded words on one line. The text's own blanks travel inside the
    words: a reader drops the blank between two adjacent words (RFC 2047 section 6.2)."""
    return " ".join(encoded_words(text, charset))


def folded(name, words, fold="\t"):
    """A header line whose words go one per physical line, continued with fold (TAB or blank)."""
    return ("%s: " % name).encode("ascii") + ("\n" + fold).join(words).encode("ascii")


def raw_jis(name, text):
    """A header line carrying raw ISO-2022-JP bytes, as old mailers wrote them."""
    return ("%s: " % name).encode("ascii") + jis(text)


def mailbox(display, address, charset="ISO-2022-JP", quoted=False):
    """A From/To value with an encoded display name."""
    word = encoded(display, charset)
    return ('"%s" <%s>' % (word, address)) if quoted else ("%s <%s>" % (word, address))


# --- other charsets, as web mail, phones and older Unix mailers send them -----------------------

def words_in(text, charset, codec, encoding="B", chars_per_word=12):
    """One header value of RFC 2047 words in any charset, B or Q; words are cut inside the text,
    so a reader must join adjacent words without the blank between them."""
    words = []
    for start in range(0, len(text), chars_per_word):
        piece = text[start:start + chars_per_word].encode(codec)
        if encoding == "B":
            payload = base64.b64encode(piece).decode("ascii")
        else:
            payload = "".join("_" if b == 0x20 else chr(b) if chr(b).isalnum() and b < 0x80
                              else "=%02X" % b for b in piece)
        word = "=?%s?%s?%s?=" % (charset, encoding, payload)
        assert len(word) <= 75, word
        words.append(word)
    return " ".join(words)


def base64_text(headers, text, charset, codec):
    """A message whose text/plain body travels as base64 in the given charset."""
    return message(headers + [
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=%s" % charset),
        header("Content-Transfer-Encoding", "base64"),
    ], wrap64(text.strip("\n").replace("\n", "\r\n").encode(codec) + b"\r\n"))


# --- message assembly ----------------------------------------------------------------------------

def header(name, value):
    return ("%s: %s" % (name, value)).encode("ascii")


def jis_body(text):
    """A text/plain body in ISO-2022-JP, lines ending in LF (the server sends CR LF)."""
    return b"\n".join(jis(line) for line in text.strip("\n").split("\n")) + b"\n"


def wrap64(data):
    text = base64.b64encode(data).decode("ascii")
    return "\n".join(text[i:i + 76] for i in range(0, len(text), 76)).encode("ascii") + b"\n"


def message(headers, body):
    """headers: list of complete header lines (bytes); body: bytes."""
    return b"\n".join(headers) + b"\n\n" + body


def received(by_host, from_host, from_ip, stamp, ident):
    return ("Received: from %s (%s [%s])\n\tby %s with ESMTP id %s\n\tfor <%s>; %s"
            % (from_host, from_host, from_ip, by_host, ident, DEMO_ADDRESS, stamp)).encode("ascii")


def text_part(text):
    return (b'Content-Type: text/plain; charset="ISO-2022-JP"\n'
            b"Content-Transfer-Encoding: 7bit\n\n" + jis_body(text))


def multipart(boundary, parts, preamble=b"This is a multi-part message in MIME format.\n"):
    out = preamble + b"\n"
    for part in parts:
        out += b"--" + boundary.encode("ascii") + b"\n" + part
        if not part.endswith(b"\n"):
            out += b"\n"
        out += b"\n"
    return out + b"--" + boundary.encode("ascii") + b"--\n"


def attachment(content_type, filename, data):
    return (("Content-Type: %s;\n name=\"%s\"\n" % (content_type, filename)).encode("ascii")
            + b"Content-Transfer-Encoding: base64\n"
            + ("Content-Disposition: attachment;\n filename=\"%s\"\n\n" % filename).encode("ascii")
            + wrap64(data))


def pseudo_random_bytes(seed, count):
    rng = random.Random(seed)
    return bytes(rng.getrandbits(8) for _ in range(count))


# --- the messages --------------------------------------------------------------------------------

def welcome():
    return message([
        received("pop.prunebox.example", "mail.prunebox.example", "192.0.2.10",
                 "Mon, 3 Mar 2025 09:00:12 +0900", "A1B2C3D4E5"),
        header("Date", "Mon, 3 Mar 2025 09:00:05 +0900"),
        header("From", mailbox("Prunebox デモ", "info@prunebox.example")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("Prunebox のデモ用メールボックスへようこそ")),
        header("Message-ID", "<20250303090005.0001@prunebox.example>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", 'text/plain; charset="ISO-2022-JP"'),
        header("Content-Transfer-Encoding", "7bit"),
        header("X-Mailer", "Prunebox Demo Generator 1.0"),
    ], jis_body("""
このメールボックスは Prunebox の動作を試すためのものです。
「接続」を押すとヘッダだけが読み込まれ、一覧に並びます。
要らないメールを選んで「削除 + 切断」を押すと、サーバ上から削除されます。
デモ用サーバを起動し直すと、メールボックスは元に戻ります。
"""))


def meeting_papers():
    boundary = "----=_NextPart_000_0012_01DB8C1A.5E3F2A40"
    pdf = b"%PDF-1.4\n% demo attachment\n" + pseudo_random_bytes(2, 6000) + b"\n%%EOF\n"
    body = multipart(boundary, [
        text_part("""
関係者各位

お疲れさまです。鈴木です。
来週の定例会議の資料を添付いたします。
事前にお目通しいただけますと幸いです。

よろしくお願いいたします。
"""),
        attachment("application/pdf", "meeting-20250310.pdf", pdf),
    ])
    return message([
        received("pop.prunebox.example", "smtp.example.co.jp", "198.51.100.23",
                 "Tue, 4 Mar 2025 18:42:10 +0900", "F6A7B8C9D0"),
        header("Date", "Tue, 4 Mar 2025 18:41:57 +0900"),
        header("From", mailbox("鈴木 一郎", "suzuki@example.co.jp", charset="iso-2022-jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("定例会議の資料送付について", charset="iso-2022-jp")),
        header("Message-ID", "<000c01db8c1a$5e3f2a40$0200a8c0@suzuki>"),
        header("MIME-Version", "1.0"),
        b'Content-Type: multipart/mixed;\n\tboundary="' + boundary.encode("ascii") + b'"',
        header("X-Priority", "3"),
        header("X-Mailer", "Microsoft Outlook Express 6.00.2900.5512"),
    ], body)


def weekend_reply():
    return message([
        received("pop.prunebox.example", "mx.example.ne.jp", "203.0.113.5",
                 "Wed, 5 Mar 2025 07:15:03 +0900", "0E1F2A3B4C"),
        header("Date", "Wed, 05 Mar 2025 07:14:48 +0900"),
        raw_jis("From", "山田 花子 <hanako@example.ne.jp>"),
        header("To", DEMO_ADDRESS),
        raw_jis("Subject", "Re: 週末の打ち合わせ"),
        header("Message-Id", "<200503050714.AA00042@example.ne.jp>"),
        header("In-Reply-To", "<20250304221003.1234@prunebox.example>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
        header("X-Mailer", "AL-Mail32 Version 1.13"),
    ], jis_body("""
山田です。

土曜日の 14 時、駅前の喫茶店でいかがでしょうか。
資料は当日お持ちします。
"""))


def long_subject():
    # Folded where a reader would pause: the blank each fold leaves between two words stays visible.
    subject_pieces = ["【重要】システムメンテナンスに伴う", "サービス一時停止のお知らせ", "（3月15日 深夜）"]
    return message([
        received("pop.prunebox.example", "relay.example.com", "192.0.2.77",
                 "Thu, 6 Mar 2025 11:30:41 +0900", "5D6E7F8091"),
        received("relay.example.com", "notice.example.com", "192.0.2.78",
                 "Thu, 6 Mar 2025 11:30:40 +0900", "A2B3C4D5E6"),
        header("Date", "Thu, 6 Mar 2025 11:30:39 +0900"),
        header("From", mailbox("サポートセンター", "support@example.com", quoted=True)),
        b"To: " + DEMO_ADDRESS.encode("ascii") + b",\n    staff@prunebox.example",
        folded("Subject", [encoded(piece) for piece in subject_pieces]),
        header("Message-ID", "<notice-20250306-113039@example.com>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=iso-2022-jp"),
        header("Content-Transfer-Encoding", "7bit"),
        header("X-Mailer", "NoticeMailer/3.2"),
    ], jis_body("""
いつもご利用いただきありがとうございます。
下記の日程でシステムメンテナンスを行います。

  日時: 3月15日 午前 1:00 から 午前 5:00 まで

メンテナンス中はサービスをご利用いただけません。
"""))


def newsletter_html():
    boundary = "=_alt_7f3c9a21"
    html = """<html><head><meta http-equiv="Content-Type" content="text/html; charset=iso-2022-jp"></head>
<body>
<h1>春の新作のご案内</h1>
<p>いつもご愛顧いただきありがとうございます。</p>
<p>春の新作を<a href="http://shop.example.jp/spring">こちら</a>でご覧いただけます。</p>
</body></html>"""
    body = multipart(boundary, [
        text_part("""
春の新作のご案内
いつもご愛顧いただきありがとうございます。
春の新作は http://shop.example.jp/spring でご覧いただけます。
"""),
        b'Content-Type: text/html; charset="ISO-2022-JP"\nContent-Transfer-Encoding: 7bit\n\n'
        + jis_body(html),
    ], preamble=b"")
    return message([
        received("pop.prunebox.example", "mail.shop.example.jp", "198.51.100.140",
                 "Fri, 7 Mar 2025 12:00:20 +0900", "B7C8D9E0F1"),
        header("Date", "Fri, 7 Mar 2025 12:00:00 +0900"),
        header("From", mailbox("ショップ通信", "news@shop.example.jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("【ショップ通信】春の新作のご案内")),
        header("Message-ID", "<news.20250307.000123@shop.example.jp>"),
        header("MIME-Version", "1.0"),
        b'Content-Type: multipart/alternative;\n boundary="' + boundary.encode("ascii") + b'"',
        header("List-Unsubscribe", "<mailto:unsubscribe@shop.example.jp>"),
        header("X-Mailer", "MailMagazine Pro 5.0"),
    ], body)


def html_only():
    html = """<html><body>
<p>ご注文ありがとうございます。</p>
<p>ご注文番号: 2025-0308-0042</p>
<p>発送の準備ができ次第、あらためてご連絡いたします。</p>
</body></html>"""
    return message([
        received("pop.prunebox.example", "order.example.jp", "203.0.113.80",
                 "Sat, 8 Mar 2025 20:05:13 +0900", "C0D1E2F3A4"),
        header("Date", "Sat, 8 Mar 2025 20:05:11 +0900"),
        header("From", "order@example.jp"),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("ご注文の確認 (2025-0308-0042)")),
        header("Message-ID", "<order-2025-0308-0042@example.jp>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "TEXT/HTML; charset=ISO-2022-JP"),
        header("Content-Transfer-Encoding", "7bit"),
    ], jis_body(html))


def postpet():
    boundary = "PostPet_Boundary_0000000042"
    pet = b"PETDATA\x00\x02" + pseudo_random_bytes(7, 1500)
    body = multipart(boundary, [
        text_part("""
モモからのおてがみだよ。
きょうはいいてんきだったね。
またあそびにきてね。
"""),
        attachment("application/octet-stream", "petdata.dat", pet),
    ], preamble=b"")
    return message([
        received("pop.prunebox.example", "pet.example.ne.jp", "203.0.113.41",
                 "Sun, 9 Mar 2025 16:22:45 +0900", "D5E6F7A8B9"),
        header("Date", "Sun, 9 Mar 2025 16:22:30 +0900"),
        header("From", mailbox("モモ", "momo@example.ne.jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("おてがみだよ")),
        header("Message-ID", "<20250309162230.momo@example.ne.jp>"),
        header("MIME-Version", "1.0"),
        b'Content-Type: Multipart/Mixed;\n boundary="' + boundary.encode("ascii") + b'"',
        header("X-Mailer", "PostPet Version 2.1 for Windows"),
    ], body)


def spam_unsolicited():
    return message([
        received("pop.prunebox.example", "unknown.example.net", "192.0.2.201",
                 "Mon, 10 Mar 2025 03:12:09 +0900", "E1F2A3B4C5"),
        header("Date", "Sun, 9 Mar 2025 18:12:00 +0000"),
        header("From", mailbox("お得情報", "deal@bargain.example.net")),
        header("To", "undisclosed-recipients:;"),
        header("Subject", encoded("未承諾広告※ 今だけ！ 高収入のお仕事をご紹介")),
        header("Message-ID", "<7731.20250309181200@bargain.example.net>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
        header("X-Mailer", "Bulk Sender 9"),
    ], jis_body("""
今だけの特別なご案内です。
在宅で高収入！ 詳しくは返信してください。
"""))


def spam_english():
    return message([
        received("pop.prunebox.example", "mx1.spam.example", "198.51.100.250",
                 "Mon, 10 Mar 2025 04:55:31 +0900", "F0A1B2C3D4"),
        header("Date", "Sun, 9 Mar 2025 11:55:29 -0800"),
        header("From", '"Lottery Office" <winner@spam.example>'),
        header("To", DEMO_ADDRESS),
        header("Subject", "Congratulations! You have WON $1,000,000"),
        header("Message-ID", "<a8f31c9e.4471@spam.example>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=us-ascii"),
        header("X-Mailer", "QuickMailer 1.0"),
    ], b"Dear winner,\n\nSend us your bank details to claim your prize.\n")


def spam_raw_jis():
    return message([
        received("pop.prunebox.example", "cheap.example.org", "203.0.113.222",
                 "Tue, 11 Mar 2025 02:01:45 +0900", "0A9B8C7D6E"),
        header("Date", "Tue, 11 Mar 2025 02:01:40 +0900"),
        header("From", "sale@cheap.example.org"),
        header("To", DEMO_ADDRESS),
        raw_jis("Subject", "未承諾広告※ 期間限定セール開催中"),
        header("Message-ID", "<sale.0311.0201@cheap.example.org>"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ], jis_body("""
期間限定セールのお知らせです。
"""))


def mailing_list():
    return message([
        received("pop.prunebox.example", "ml.example.org", "192.0.2.55",
                 "Tue, 11 Mar 2025 10:20:05 +0900", "1B2C3D4E5F"),
        received("ml.example.org", "dev.example.org", "192.0.2.56",
                 "Tue, 11 Mar 2025 10:20:04 +0900", "2C3D4E5F6A"),
        received("dev.example.org", "build01.example.org", "192.0.2.57",
                 "Tue, 11 Mar 2025 10:20:02 +0900", "3D4E5F6A7B"),
        header("Date", "Tue, 11 Mar 2025 10:20:00 +0900"),
        header("From", "Build Robot <build@example.org>"),
        header("Reply-To", "dev@ml.example.org"),
        header("To", "dev@ml.example.org"),
        header("Subject", "[dev:01234] " + encoded("夜間ビルドの結果 (成功)")),
        header("Message-ID", "<build.20250311.1020@example.org>"),
        header("X-ML-Name", "dev"),
        header("X-Mail-Count", "01234"),
        header("List-Id", "<dev.ml.example.org>"),
        header("Precedence", "bulk"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ], jis_body("""
夜間ビルドが完了しました。
  テスト: 1024 件成功、0 件失敗
""") + b".\n..leading dots are stuffed on the wire\n.\n")


def no_subject():
    return message([
        received("pop.prunebox.example", "mobile.example.ne.jp", "203.0.113.90",
                 "Wed, 12 Mar 2025 22:47:18 +0900", "4E5F6A7B8C"),
        header("Date", "Wed, 12 Mar 2025 22:47:15 +0900"),
        header("From", "taro.mobile@example.ne.jp"),
        header("To", DEMO_ADDRESS),
        header("Message-ID", "<20250312224715.99@example.ne.jp>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ], jis_body("""
今から帰ります。
"""))


def fax_pdf():
    pdf = b"%PDF-1.3\n% scanned page\n" + pseudo_random_bytes(13, 9000) + b"\n%%EOF\n"
    return message([
        received("pop.prunebox.example", "fax.example.co.jp", "198.51.100.61",
                 "Thu, 13 Mar 2025 15:33:02 +0900", "5F6A7B8C9D"),
        header("Date", "Thu, 13 Mar 2025 15:33:00 +0900"),
        header("From", mailbox("FAX受信サービス", "fax@example.co.jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("FAX受信のお知らせ 03-0000-0000 から 2 枚")),
        header("Message-ID", "<fax.20250313153300@example.co.jp>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", 'application/pdf; name="fax-20250313.pdf"'),
        header("Content-Transfer-Encoding", "base64"),
        header("Content-Disposition", 'attachment; filename="fax-20250313.pdf"'),
    ], wrap64(pdf))


def overseas():
    return message([
        received("pop.prunebox.example", "smtp.example.com", "192.0.2.120",
                 "Fri, 14 Mar 2025 02:10:44 +0900", "6A7B8C9DAE"),
        header("Date", "Thu, 13 Mar 2025 09:10:41 -0800"),
        header("From", '"John Smith" <john.smith@example.com>'),
        header("To", DEMO_ADDRESS),
        header("Cc", "team@example.com"),
        header("Subject", "Re: " + encoded("来月の出張の件") + " (schedule)"),
        header("Message-ID", "<CAF=abc123+xyz@mail.example.com>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
        header("X-Mailer", "Apple Mail (2.3774.500.171)"),
    ], jis_body("""
Hi,

I will arrive in Tokyo on April 7.
よろしくお願いします。

John
"""))


def photos():
    boundary = "Apple-Mail=_4F2D7A10-1C3B-4E5A-9D8C-000000000015"
    jpeg = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + pseudo_random_bytes(15, 60000) + b"\xff\xd9"
    body = multipart(boundary, [
        text_part("""
旅行の写真を送ります。
京都はまだ少し寒かったです。
"""),
        attachment("image/jpeg", "kyoto.jpg", jpeg),
    ], preamble=b"")
    return message([
        received("pop.prunebox.example", "mx.example.jp", "203.0.113.12",
                 "Sat, 15 Mar 2025 21:08:59 +0900", "7B8C9DAEBF"),
        header("Date", "Sat, 15 Mar 2025 21:08:50 +0900"),
        header("From", mailbox("佐藤 美咲", "misaki.sato@example.jp", quoted=True)),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("京都旅行の写真", charset="iso-2022-jp")),
        header("Message-ID", "<4F2D7A10-1C3B-4E5A-9D8C-000000000015@example.jp>"),
        header("MIME-Version", "1.0 (Mac OS X Mail 16.0)"),
        b'Content-Type: multipart/mixed;\n\tboundary="' + boundary.encode("ascii") + b'"',
        header("X-Mailer", "Apple Mail (2.3774.500.171)"),
    ], body)


def invoice():
    return message([
        received("pop.prunebox.example", "billing.example.co.jp", "198.51.100.9",
                 "Mon, 17 Mar 2025 09:30:12 +0900", "8C9DAEBFC0"),
        header("Date", "Mon, 17 Mar 2025 09:30:10 +0900"),
        header("From", mailbox("経理部 請求担当", "billing@example.co.jp")),
        header("To", DEMO_ADDRESS),
        header("SUBJECT", encoded("3月分のご請求について")),
        header("Message-ID", "<invoice-202503-0017@example.co.jp>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
        header("X-Mailer", "Becky! ver. 2.81.04"),
    ], jis_body("""
いつもお世話になっております。
3月分のご請求金額は 12,800 円です。
お支払い期限は 4月30日 です。
"""))


def web_mail_utf8():
    return base64_text([
        received("pop.prunebox.example", "mail-io1.webmail.example.com", "198.51.100.77",
                 "Tue, 18 Mar 2025 12:01:33 +0900", "9DAEBFC0D1"),
        header("Date", "Tue, 18 Mar 2025 12:01:30 +0900"),
        header("From", "%s <hanako.yamada@webmail.example.com>"
               % words_in("山田 花子", "UTF-8", "utf-8")),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("【ご案内】ポイント還元キャンペーン〜3月末まで〜", "UTF-8", "utf-8")),
        header("Message-ID", "<CAF=web.20250318120130@webmail.example.com>"),
        header("X-Mailer", "WebMail 5"),
    ], """
いつもご利用ありがとうございます。
3月末までのお買い物にポイントを10%還元いたします。
""", "UTF-8", "utf-8")


def phone_sjis():
    return base64_text([
        received("pop.prunebox.example", "mobile.example.ne.jp", "203.0.113.40",
                 "Tue, 18 Mar 2025 18:45:12 +0900", "AEBFC0D1E2"),
        header("Date", "Tue, 18 Mar 2025 18:45:10 +0900"),
        header("From", "%s <taro@mobile.example.ne.jp>" % words_in("たろう", "Shift_JIS", "cp932")),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("今から帰ります", "Shift_JIS", "cp932")),
        header("Message-ID", "<20250318184510.ab12@mobile.example.ne.jp>"),
    ], """
駅に着きました。あと20分で帰ります。
""", "Shift_JIS", "cp932")


def spam_utf8_q():
    return base64_text([
        received("pop.prunebox.example", "bulk.example.org", "192.0.2.222",
                 "Wed, 19 Mar 2025 02:14:51 +0900", "BFC0D1E2F3"),
        header("Date", "Tue, 18 Mar 2025 17:14:48 +0000"),
        header("From", "%s <win@bulk.example.org>" % words_in("当選事務局", "utf-8", "utf-8", "Q", 4)),
        header("To", "undisclosed-recipients:;"),
        header("Subject", words_in("未承諾広告※ 副業で月収100万円", "utf-8", "utf-8", "Q", 4)),
        header("Message-ID", "<q.20250318171448@bulk.example.org>"),
        header("X-Mailer", "Bulk Sender 9"),
    ], """
誰でも簡単に稼げます。今すぐ登録してください。
""", "UTF-8", "utf-8")


def unix_euc_jp():
    return base64_text([
        received("pop.prunebox.example", "ns.example.ac.jp", "198.51.100.3",
                 "Wed, 19 Mar 2025 10:20:05 +0900", "C0D1E2F304"),
        header("Date", "Wed, 19 Mar 2025 10:20:00 +0900"),
        header("From", "%s <root@ns.example.ac.jp>" % words_in("計算機室", "EUC-JP", "euc_jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("サーバ移行のお知らせ", "EUC-JP", "euc_jp")),
        header("Message-ID", "<200503191020.root@ns.example.ac.jp>"),
        header("X-Mailer", "Mew version 6.8 on Emacs 28.2"),
    ], """
3月22日にメールサーバを移行します。
当日は午前中メールが届きません。
""", "EUC-JP", "euc_jp")


# --- mail for the spam checks: each one is caught by exactly one check of the demo account -----
# (scripts/demo-account sets the checks and the sender lists these are made for)

PROVIDER = "mx.prunebox.example"  # the authserv-id the demo mailbox's provider writes


def authentication_results(results, authserv_id=PROVIDER):
    return ("Authentication-Results: %s;\n\t%s" % (authserv_id, ";\n\t".join(results))).encode("ascii")


def allowed_list():
    """A mailing list that names the poster's address in the display name: the spoof check would
    tick it, the allow list keeps it."""
    return message([
        authentication_results(["spf=pass smtp.mailfrom=lists.prunebox-friends.example",
                                "dmarc=pass header.from=lists.prunebox-friends.example"]),
        received("pop.prunebox.example", "lists.prunebox-friends.example", "198.51.100.61",
                 "Thu, 20 Mar 2025 08:00:12 +0900", "D1E2F30415"),
        header("Date", "Thu, 20 Mar 2025 08:00:05 +0900"),
        header("From", '"kenji@example.co.jp via %s" <ml@lists.prunebox-friends.example>'
               % encoded("同好会")),
        header("To", "ml@lists.prunebox-friends.example"),
        header("Subject", "[friends:0421] " + encoded("次回の集まりについて")),
        header("Message-ID", "<20250320080005.0421@lists.prunebox-friends.example>"),
        header("List-Id", "<friends.lists.prunebox-friends.example>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ], jis_body("""
次回は4月12日(土)の午後です。
場所はいつもの公民館です。
"""))


def blocked_domain():
    return base64_text([
        received("pop.prunebox.example", "send3.mail.blocked-shop.example", "203.0.113.99",
                 "Thu, 20 Mar 2025 11:11:11 +0900", "E2F3041526"),
        header("Date", "Thu, 20 Mar 2025 11:11:00 +0900"),
        header("From", "%s <deals@send3.mail.blocked-shop.example>"
               % words_in("お得情報センター", "UTF-8", "utf-8")),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("本日限定!全品半額セール開催中", "UTF-8", "utf-8")),
        header("Message-ID", "<deals.20250320111100@send3.mail.blocked-shop.example>"),
    ], """
本日限定で全品半額です。お見逃しなく。
""", "UTF-8", "utf-8")


def dmarc_fail():
    """A bank's name on mail the provider's check failed; a header lower down, written by the
    sender itself, claims a pass under another authserv-id and does not count."""
    return base64_text([
        authentication_results(["spf=fail smtp.mailfrom=bank-security.example",
                                "dkim=none (no signature)",
                                "dmarc=fail (p=REJECT sp=REJECT dis=NONE) header.from=bank.example"]),
        received("pop.prunebox.example", "bank-security.example", "192.0.2.166",
                 "Thu, 20 Mar 2025 13:20:44 +0900", "F304152637"),
        authentication_results(["dmarc=pass header.from=bank.example"], "relay.bank-security.example"),
        header("Date", "Thu, 20 Mar 2025 13:20:40 +0900"),
        header("From", "%s <info@bank.example>" % words_in("さくら銀行", "UTF-8", "utf-8")),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("【重要】お客様の口座の確認のお願い", "UTF-8", "utf-8")),
        header("Message-ID", "<0414.20250320132040@bank-security.example>"),
    ], """
お客様の口座に不審なログインがありました。
下記より至急ご確認ください。
""", "UTF-8", "utf-8")


def gb2312_subject():
    return base64_text([
        received("pop.prunebox.example", "smtp.bulk-cn.example", "198.51.100.188",
                 "Thu, 20 Mar 2025 15:42:03 +0900", "0415263748"),
        header("Date", "Thu, 20 Mar 2025 14:42:00 +0800"),
        header("From", "sales@bulk-cn.example"),
        header("To", DEMO_ADDRESS),
        header("Subject", words_in("优惠促销 发票代开", "GB2312", "gb2312")),
        header("Message-ID", "<20250320144200.77@bulk-cn.example>"),
    ], """
优惠促销，欢迎联系。
""", "GB2312", "gb2312")


def spoofed_name():
    return message([
        received("pop.prunebox.example", "mail.phish.example", "192.0.2.201",
                 "Thu, 20 Mar 2025 17:05:31 +0900", "1526374859"),
        header("Date", "Thu, 20 Mar 2025 17:05:30 +0900"),
        header("From", '"support@shop.example.jp" <notice@phish.example>'),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("ご注文の配送状況のお知らせ")),
        header("Message-ID", "<20250320170530.5a@phish.example>"),
        header("MIME-Version", "1.0"),
        header("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ], jis_body("""
ご注文の商品の配送先が確認できませんでした。
下記より住所をご登録ください。
"""))


def large_message():
    """Larger than the demo account's size limit: a video the size check ticks."""
    boundary = "----=_Part_large_0026"
    video = b"\x00\x00\x00\x18ftypmp42" + pseudo_random_bytes(26, 150000)
    body = multipart(boundary, [
        text_part("""
運動会の動画です。
少し大きいので、見たら消してください。
"""),
        attachment("video/mp4", "undoukai.mp4", video),
    ])
    return message([
        received("pop.prunebox.example", "mx.example.jp", "203.0.113.12",
                 "Fri, 21 Mar 2025 20:15:09 +0900", "2637485960"),
        header("Date", "Fri, 21 Mar 2025 20:15:00 +0900"),
        header("From", mailbox("高橋 健", "ken.takahashi@example.jp")),
        header("To", DEMO_ADDRESS),
        header("Subject", encoded("運動会の動画")),
        header("Message-ID", "<20250321201500.26@example.jp>"),
        header("MIME-Version", "1.0"),
        b'Content-Type: multipart/mixed;\n\tboundary="' + boundary.encode("ascii") + b'"',
    ], body)


MESSAGES = [
    ("01-welcome", welcome),
    ("02-meeting-papers", meeting_papers),
    ("03-weekend-reply", weekend_reply),
    ("04-maintenance-notice", long_subject),
    ("05-newsletter-html", newsletter_html),
    ("06-order-html", html_only),
    ("07-postpet", postpet),
    ("08-spam-unsolicited", spam_unsolicited),
    ("09-spam-english", spam_english),
    ("10-spam-raw-jis", spam_raw_jis),
    ("11-mailing-list", mailing_list),
    ("12-no-subject", no_subject),
    ("13-fax-pdf", fax_pdf),
    ("14-overseas", overseas),
    ("15-photos", photos),
    ("16-invoice", invoice),
    ("17-web-mail-utf8", web_mail_utf8),
    ("18-phone-sjis", phone_sjis),
    ("19-spam-utf8-q", spam_utf8_q),
    ("20-unix-euc-jp", unix_euc_jp),
    ("21-allowed-list", allowed_list),
    ("22-blocked-domain", blocked_domain),
    ("23-dmarc-fail", dmarc_fail),
    ("24-gb2312-subject", gb2312_subject),
    ("25-spoofed-name", spoofed_name),
    ("26-large-message", large_message),
]


def write_all(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, build in MESSAGES:
        with open(os.path.join(out_dir, name + ".eml"), "wb") as f:
            f.write(build())


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_all(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "mail"))
