package realvm.hidden;

/** Not public, in a package the module does not export. */
class Main {
    public static void main(String[] args) {
        System.out.println("hidden main in " + Main.class.getModule().getName() + " with " + args.length + " args");
    }
}
