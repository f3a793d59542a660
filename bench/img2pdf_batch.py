# img2pdf's Python API over a whole class in one process: each JPEG argument
# becomes a PDF of the same name beside it, as the command-line tool would write it.
import sys

import img2pdf


def main(paths):
    for path in paths:
        pdf = img2pdf.convert(path)
        with open(path.rsplit(".", 1)[0] + ".pdf", "wb") as out:
            out.write(pdf)


if __name__ == "__main__":
    main(sys.argv[1:])
