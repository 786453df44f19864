#!/usr/bin/env python3
"""Address books for the phonebook import benchmark.

  phonebook_bench_gen.py classic ROWS OUT [--offset N]   device export, data format 6 (UTF-8)
  phonebook_bench_gen.py partner ROWS OUT                partner-format file
  phonebook_bench_gen.py parse FILE                      wall and CPU seconds csv.reader takes
  phonebook_bench_gen.py run OUT COMMAND...              wall and CPU seconds of COMMAND, its
                                                         standard output written to OUT

Rows mix plain fax numbers, secure send (enciphered mailbox passcode), relay send (encoded
destination list) and IP fax addresses, with Japanese and Latin names, as devices export them.
Row n always yields the same entry, so files of different sizes share their first rows.
"""
import base64
import codecs
import csv
import sys
import time

LAYOUT3 = ("MFDN MFADDRT MFCN MFIKEY MFVDN MFLINE MFFAX MFRBC MFCMODE MFSRESO MFSHEET MFSHEETC1 "
           "MFSHEETC2 MFPMAX MFTMSND MFTMSNDH MFTMSNDM MFMBOX MFMBOXPS MFMBOXID MFRLY MFRLYID "
           "MFRLYPRN MFRLYNUM MFCHRGT1 MFCHRGT2 MFCHRGT3 MFFCODE MFPCODE MFSG3FRBT MFMDMSPD "
           "MFECMFRBT MFEJBIGFRBT MFRDTIMES MFSNDLV MFRCVLV MFIFAX MFTIFF MFIFAXCMODE MFIFAXSRESO "
           "MFIFAXPMAX MFIFAXTMSND MFIFAXTMSNDH MFIFAXTMSNDM MFSN MFGN MFMAIL MFAUX1 MFAUX2 MFAUX3 "
           "MFSVRT MFSVRADDR MFPORT1 MFPORT2 MFUSER MFPASSWD MFVOLUME MFPATH MFUSETLS MFIPFAX "
           "MFIPFAXCMODE MFIPFAXSRESO MFIPFAXSHEET MFIPFAXSHEETC1 MFIPFAXSHEETC2 MFIPFAXPMAX "
           "MFIPFAXTMSND MFIPFAXTMSNDH MFIPFAXTMSNDM MFIPFAXMBOX MFIPFAXMBOXPS MFIPFAXMBOXID "
           "MFIPFAXRLY MFIPFAXRLYID MFIPFAXRLYNUM MFIPFAXRLYPRN MFIPFAXCHRGT1 MFIPFAXCHRGT2 "
           "MFIPFAXCHRGT3 MFIPFAXFCODE MFIPFAXPCODE MFIPFAXSG3FRBT MFIPFAXMDMSPD MFIPFAXECMFRBT "
           "MFIPFAXEJBIGFRBT MFIPFAXRDTIMES MFIPFAXSNDLV MFIPFAXRCVLV").split()
LAYOUT5X = LAYOUT3[:LAYOUT3.index("MFVDN") + 1] + ["MFMTID"] + LAYOUT3[LAYOUT3.index("MFVDN") + 1:]
LAYOUT5X.append("MFENCSTR")
PARTNER = ("TmrAddressBookId DisplayName FirstName LastName Company TmrAllFavoritesOrder MemberOf "
           "IsDL TmrApplicableWorkflows FaxNumber TmrIsFaxFavorite E-mailAddress "
           "TmrIsEmailFavorite TmrIsScanFavorite ScanNickName ScanTransferProtocol "
           "ScanServerAddress ScanServerPort ScanDocumentPath ScanLoginName ScanLoginPassword "
           "ScanSMBShare ScanHTTPScript").split()

FAMILY = ["山田", "佐藤", "鈴木", "高橋", "田中", "Smith", "Schmidt", "Tanaka", "伊藤", "渡辺"]
GIVEN = ["太郎", "花子", "一郎", "John", "Anna", "Kenji", "さくら", "ユウキ"]


def xsp(plain):
    key = bytes([0x17, 0x9E, 0x3C, 0x5A])
    data = bytes(b ^ key[i % 4] for i, b in enumerate(plain.encode()))
    return base64.b64encode(data).decode()


def ews(plain):
    return codecs.encode(base64.b64encode(plain.encode()).decode(), "rot13")


def enc_string(values):
    taken = []
    if values.get("MFFAX"):
        taken += [values["MFFAX"], values.get("MFFCODE", "")]
    if values.get("MFIPFAX"):
        taken += [values["MFIPFAX"], values.get("MFIPFAXFCODE", "")]
    return base64.b64encode("\t".join(taken).encode()).decode().replace("0", "-")


def classic_row(n):
    name = f"{FAMILY[n % len(FAMILY)]} {GIVEN[(n // 10) % len(GIVEN)]}{n}"
    v = {"MFDN": str(n + 1), "MFADDRT": "FAX", "MFCN": name, "MFCMODE": str(n % 3),
         "MFFAX": f"03{n:08d}", "MFLINE": "2" if n % 7 == 0 else "0", "MFMBOX": "0",
         "MFRLY": "0", "MFRLYPRN": "0", "MFIPFAXCMODE": "0", "MFIPFAXMBOX": "0",
         "MFIPFAXRLY": "0", "MFIPFAXRLYPRN": "0"}
    kind = n % 10
    if kind == 3:
        v.update(MFMBOX="1", MFMBOXID=str(n % 999 + 1), MFMBOXPS=ews(f"{n % 10000:04d}"),
                 MFFCODE="12#", MFPCODE=ews("9876"))
    elif kind == 6:
        v.update(MFRLY="1", MFRLYID=str(n % 99 + 1), MFRLYPRN="1", MFRLYNUM=xsp("0102"))
    elif kind == 8:
        v.update(MFADDRT="IPFAX", MFFAX="", MFIPFAX=f"sip:{n}@fax.example.com", MFIPFAXCMODE="1")
    v["MFENCSTR"] = enc_string(v)
    return [v.get(c, "") for c in LAYOUT5X]


def partner_row(n):
    v = {"TmrAddressBookId": str(n % 10000), "DisplayName": f"{FAMILY[n % len(FAMILY)]} {n}",
         "FirstName": GIVEN[n % len(GIVEN)], "LastName": FAMILY[n % len(FAMILY)],
         "Company": f"Company {n % 97}", "IsDL": "0", "FaxNumber": f"06{n:08d}",
         "E-mailAddress": f"user{n}@example.com"}
    return [v.get(c, "") for c in PARTNER]


def write(kind, rows, out, offset):
    with open(out, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        if kind == "classic":
            w.writerow(["*", "1", "6", "103", "", ""])
            w.writerow(LAYOUT5X)
            for n in range(offset, offset + rows):
                w.writerow(classic_row(n))
        else:
            w.writerow(PARTNER)
            for n in range(offset, offset + rows):
                w.writerow(partner_row(n))


def parse(path):
    """Prints the wall and CPU seconds of reading every row, and the row count."""
    start, cpu = time.perf_counter(), time.process_time()
    with open(path, newline="", encoding="utf-8") as f:
        rows = sum(1 for _ in csv.reader(f))
    print(f"{time.perf_counter() - start:.6f} {time.process_time() - cpu:.6f} {rows}")


def run(out, command):
    """Prints the wall and CPU (user + system) seconds of one run of `command`."""
    import resource
    import subprocess
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(out, "wb") as f:
        status = subprocess.run(command, stdout=f).returncode
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    print(f"{wall:.6f} {cpu:.6f}")
    sys.exit(status)


if __name__ == "__main__":
    if sys.argv[1] == "parse":
        parse(sys.argv[2])
    elif sys.argv[1] == "run":
        run(sys.argv[2], sys.argv[3:])
    else:
        offset = int(sys.argv[sys.argv.index("--offset") + 1]) if "--offset" in sys.argv else 0
        write(sys.argv[1], int(sys.argv[2]), sys.argv[3], offset)
