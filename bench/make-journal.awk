# Writes a journal of `runs` runs of `files` moves each, straight in the
# journal's format (the files it names need not exist): each run its start,
# then per file its move and its mark, then its end; about 210 bytes a file,
# as a rename of a folder of papers writes them. The folders are
# ROOT SEP batch-NNNN, with SEP as it stands in JSON ("/" or "\\").
#   awk -v runs=R -v files=F -v root=ROOT -v sep=SEP -f bench/make-journal.awk
BEGIN {
  for (r = 1; r <= runs; r++) {
    folder = sprintf("%s%sbatch-%04d", root, sep, r)
    t = 1714640000 + r * 600
    printf "{\"run\":%d,\"start\":%d,\"command\":\"rename\",\"paths\":[\"%s\"]}\n", r, t, folder
    for (f = 1; f <= files; f++) {
      printf "{\"run\":%d,\"move\":%d,\"old\":\"%s%sscan-%05d.pdf\",\"new\":\"%s%sA Rather Long Title of the Paper Numbered %d.pdf\",\"size\":%d,\"mtime\":%d}\n",
        r, f, folder, sep, f, folder, sep, f, 100000 + f, (t - 86400) * 1000000000 + f
      printf "{\"run\":%d,\"done\":%d}\n", r, f
    }
    printf "{\"run\":%d,\"end\":%d,\"counts\":{\"renamed\":%d,\"unchanged\":0,\"no title\":0,\"failed\":0}}\n", r, t + 60, files
  }
}
